#pragma once

// The application's media graph layer: the filter-graph wrapper component, device enumeration
// and persisted filter references. Each component has its own header in this folder.
