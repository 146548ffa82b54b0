#pragma once

#include "playlist/check_list.h"

namespace playlist {

// Frees the cached media records of all items, or of the selected ones when selectedOnly is
// set, from the last item to the first; then, unless keepItems is set, deletes those items.
// With keepItems set only the records go, so every item is probed afresh at the next rebuild.
void FreeListItems(CheckList& list, bool selectedOnly, bool keepItems);

} // namespace playlist
