#pragma once

// Generic user-interface controls (grids, trackbars' common parts, spin edits) and the
// persistence of windows and toolbars. Each component has its own header in this folder.
