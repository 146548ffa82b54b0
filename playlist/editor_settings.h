#pragma once

#include <QObject>
#include <QPointer>

class QSplitter;

namespace playlist {

// The extent of a splitter's first pane (its width in a horizontal splitter, its height in a
// vertical one) as the property "extent" of an object named after the control in that pane, so
// that the settings store keeps it under "<control>_Width" or "<control>_Height" like the
// property of any other control. The object is not a child of the window.
class TSplitterPaneExtent : public QObject {
    Q_OBJECT
    Q_PROPERTY(int extent READ extent WRITE setExtent)

public:
    explicit TSplitterPaneExtent(QSplitter& splitter);

    int extent() const;
    // Gives the first pane `extent` pixels and the second the rest; a value below one pixel is
    // ignored.
    void setExtent(int extent);

private:
    QPointer<QSplitter> splitter_;
};

} // namespace playlist
