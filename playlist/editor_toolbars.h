#pragma once

#include <QString>

namespace platform {
class Registry;
}

namespace playlist {

class TfmPlayList;

// Where the editor's toolbars sit, one subkey per bar under key (see widgets::ToolbarLayout).
// The editor's docks belong to two main windows: the window's frame (DockTop, DockBottom) and
// the panel around the playlist (DockLeft, DockMiddle, DockRight). Each bar is saved by the
// window it sits in; on loading, a bar stored in a dock of the other window (or floating after
// sitting there) first moves to that window, then each window puts its bars in place.
void LoadEditorToolbarLayout(TfmPlayList& editor, const platform::Registry& registry,
                             const QString& key);
// False when the registry could not be written.
bool SaveEditorToolbarLayout(const TfmPlayList& editor, platform::Registry& registry,
                             const QString& key);

} // namespace playlist
