#pragma once

// Transport and position: the trackbar controls and the position mapping between the
// whole-list timeline and its items. Each component has its own header in this folder.
