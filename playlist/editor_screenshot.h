#pragma once

#include <QImage>
#include <QString>

namespace playlist {

class TfmPlayList;

// Shows the editor (not modally) with the file browser at folder, waits until the folder is
// read and returns the window as the user sees it; the window is hidden again afterwards.
QImage RenderEditorImage(TfmPlayList& editor, const QString& folder);

// RenderEditorImage saved as a PNG file; false when the file cannot be written.
bool SaveEditorScreenshot(TfmPlayList& editor, const QString& folder, const QString& pngPath);

} // namespace playlist
