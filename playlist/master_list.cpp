#include "playlist/master_list.h"

namespace playlist {

void FreeListItems(CheckList& list, bool selectedOnly, bool keepItems) {
    for (int i = list.count() - 1; i >= 0; --i) {
        if ((!selectedOnly || list.selected(i)) && list.fileInfo(i) != nullptr) {
            list.setFileInfo(i, nullptr);
        }
    }
    if (keepItems) {
        return;
    }
    if (!selectedOnly) {
        list.clear();
        return;
    }
    // Delete runs of adjacent selected items at once, from the end so indexes stay valid.
    int i = list.count() - 1;
    while (i >= 0) {
        if (!list.selected(i)) {
            --i;
            continue;
        }
        const int last = i;
        while (i > 0 && list.selected(i - 1)) {
            --i;
        }
        list.remove(i, last - i + 1);
        --i;
    }
}

} // namespace playlist
