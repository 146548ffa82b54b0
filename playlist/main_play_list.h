#pragma once

#include "playlist/check_list.h"
#include "render/file_info.h"
#include "render/probe.h"

#include <QString>

#include <functional>
#include <vector>

// The main window's play list: the checked items of the master list, each with its own copy of
// the item's media record, laid end to end (Start) and with runs of single pictures retagged.
namespace playlist {

// Number of icons of the play list's kinds, in the order KindIconIndex gives them.
inline constexpr int kKindIconCount = 5;

// The play list's icon of a record: 0 can't play, 1 video without sound, 2 video with sound,
// 3 picture, 4 picture sequence; -1 for a single picture not yet retagged (fkPicture).
int KindIconIndex(const render::TFileInfo& info);

// The legend of a record's icon ("Can't play this file", "Video-Audio", "Picture" ...); empty
// where KindIconIndex gives none.
QString KindLegend(const render::TFileInfo& info);
// The legend of icon `iconIndex` (0 .. kKindIconCount - 1); empty outside.
QString KindIconLegend(int iconIndex);

// Retags single pictures in list order: a fkPicture record becomes fkPictureNext when the
// record after it is a fkPicture too, otherwise fkPictureLast. Other kinds are left alone.
void RetagPictures(std::vector<render::TFileInfo>& records);
// The same over the records held by a check list (items without a record are skipped as
// neighbours that are not pictures).
void RetagPictures(CheckList& list);

// The length column of the play list: the duration in whole milliseconds (32 bits, as the
// position displays count) as a time of day in the locale's long time format; a length of a
// day or more shows only its part beyond whole days.
QString PlayListLengthText(render::REFERENCE_TIME duration);

// Rebuilds `mainList` from the checked items of `masterList`, in order. Every record of the
// previous main list is freed first. An item whose record is cached gets a copy of it;
// otherwise its text is probed with `probe`, a copy of the result is cached in the master list
// and the result goes to the main list. Each record's Start is the sum of the durations before
// it. `itemAdded(index)` is called after each main-list item is appended, before the pictures
// are retagged. Gives the total duration.
render::REFERENCE_TIME RebuildMainPlayList(CheckList& masterList, CheckList& mainList,
                                           const render::ProbeSettings& probe,
                                           const std::function<void(int index)>& itemAdded = {});

} // namespace playlist
