#pragma once

#include <QIcon>

namespace playlist {

// The images of the playlist editor (its image list ilPics), by index.
enum TPlayListPic {
    piAdd = 0,
    piDelete = 1,
    piUp = 2,
    piDown = 3,
    piFolderHistory = 4,
    piSavePlayList = 5,
    piOpenPlayList = 6,
    piViewStyle = 7,
    piDeleteAll = 8,
    piAddAll = 9,
    piBusy = 10,
    piInvertSelection = 11,
    piCheck = 12,
    piUncheck = 13,
};
constexpr int kPlayListPicCount = 14;

// The image at index: the desktop's themed icon where the theme has one, otherwise a drawn one.
// An index out of range gives a null icon.
QIcon PlayListPic(int index);

} // namespace playlist
