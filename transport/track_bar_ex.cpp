#include "transport/track_bar_ex.h"

#include "transport/click_to_position.h"

#include <QMouseEvent>

namespace transport {

TTrackBarEx::TTrackBarEx(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    setTickPosition(QSlider::NoTicks);
    SetClickToPosition(*this);
    connect(this, &QAbstractSlider::valueChanged, this, [this] {
        if (OnChange) {
            OnChange(this);
        }
    });
}

void TTrackBarEx::mousePressEvent(QMouseEvent* event) {
    // Set first: the moves of the press itself already count as the user's.
    if (event->button() == Qt::LeftButton) {
        tracking_ = true;
    }
    QSlider::mousePressEvent(event);
    // Every press is taken, so that the release of any button comes back to this control.
    event->accept();
}

void TTrackBarEx::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        tracking_ = false;
    }
    QSlider::mouseReleaseEvent(event);
    event->accept();
    if (OnEndOfChange) {
        OnEndOfChange(this);
    }
}

} // namespace transport
