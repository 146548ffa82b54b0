#include "playlist/editor_settings.h"

#include <QSplitter>

#include <algorithm>

namespace playlist {

TSplitterPaneExtent::TSplitterPaneExtent(QSplitter& splitter) : splitter_(&splitter) {
    if (const QWidget* pane = splitter.widget(0)) {
        setObjectName(pane->objectName());
    }
}

int TSplitterPaneExtent::extent() const {
    return splitter_ ? splitter_->sizes().value(0) : 0;
}

void TSplitterPaneExtent::setExtent(int extent) {
    if (!splitter_ || extent < 1) {
        return;
    }
    // The splitter's own extent, handle included: the second pane, which takes what the window
    // gains or loses, absorbs the handle.
    const int total =
        splitter_->orientation() == Qt::Horizontal ? splitter_->width() : splitter_->height();
    splitter_->setSizes({extent, std::max(1, total - extent)});
}

} // namespace playlist
