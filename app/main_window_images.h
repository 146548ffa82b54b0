#pragma once

#include <QIcon>
#include <QPixmap>

#include <vector>

// The images the main window draws for itself: the play list's kind icons, the status bar's
// connection-error indicator, and fallbacks for the toolbar glyphs when the desktop's icon
// theme lacks them.
namespace app {

// Size of the play list's kind icons.
inline constexpr int kVideoListIconWidth_px = 20;
inline constexpr int kVideoListIconHeight_px = 13;

// The five kind icons in the order of playlist::KindIconIndex: can't play, video only,
// video with sound, picture, picture sequence.
std::vector<QPixmap> VideoListIcons();

// The connection-error indicator, 32 x 13 pixels.
QPixmap ConnectionErrorImage();

// The glyphs of the window's commands.
enum class TGlyph { Previous, Play, Pause, Stop, Next, Open, List, Properties, Application };

// The icon theme's icon for `glyph` (media-playback-start ...), or a drawn one when the theme
// has none.
QIcon GlyphIcon(TGlyph glyph);

} // namespace app
