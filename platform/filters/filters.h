#pragma once

// Filters of the media platform: the resizer, DV encoders, the DV multiplexer, DV devices and
// audio renderers. Each component has its own header in this folder.
