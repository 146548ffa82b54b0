#include "widgets/status_bar.h"

#include <QPaintEvent>
#include <QPainter>
#include <qdrawutil.h>

namespace widgets {

namespace {

constexpr int kFrameMargin_px = 1;
constexpr int kTextMargin_px = 3;

} // namespace

TStatusBar::TStatusBar(QWidget* parent) : QStatusBar(parent) {
    setSizeGripEnabled(true);
}

void TStatusBar::setPanelWidths(const QList<int>& widths) {
    panels_.clear();
    for (const int width : widths) {
        panels_.append(Panel{qMax(0, width), QString(), false});
    }
    updateGeometry();
    update();
}

int TStatusBar::PanelWidth(int index) const {
    return contains(index) ? panels_.at(index).width : 0;
}

QString TStatusBar::PanelText(int index) const {
    return contains(index) ? panels_.at(index).text : QString();
}

void TStatusBar::setPanelText(int index, const QString& text) {
    if (!contains(index) || panels_.at(index).text == text) {
        return;
    }
    panels_[index].text = text;
    update(PanelRect(index).adjusted(-kFrameMargin_px, -kFrameMargin_px, kFrameMargin_px,
                                     kFrameMargin_px));
}

bool TStatusBar::PanelOwnerDrawn(int index) const {
    return contains(index) && panels_.at(index).ownerDrawn;
}

void TStatusBar::setPanelOwnerDrawn(int index, bool ownerDrawn) {
    if (contains(index)) {
        panels_[index].ownerDrawn = ownerDrawn;
        update();
    }
}

QRect TStatusBar::PanelRect(int index) const {
    if (!contains(index)) {
        return {};
    }
    int left = 0;
    for (int i = 0; i < index; ++i) {
        left += panels_.at(i).width;
    }
    const QRect frame(left, 0, panels_.at(index).width, height());
    return frame.adjusted(kFrameMargin_px + 1, kFrameMargin_px + 1, -kFrameMargin_px - 1,
                          -kFrameMargin_px - 1);
}

QSize TStatusBar::sizeHint() const {
    const int textHeight = fontMetrics().height() + 2 * (kFrameMargin_px + 1) + 4;
    return {QStatusBar::sizeHint().width(), qMax(QStatusBar::sizeHint().height(), textHeight)};
}

QSize TStatusBar::minimumSizeHint() const {
    return {0, sizeHint().height()};
}

void TStatusBar::paintEvent(QPaintEvent* event) {
    // Every panel is drawn here; the messages of QStatusBar are not used.
    QPainter painter(this);
    painter.setClipRegion(event->region());
    for (int i = 0; i < PanelCount(); ++i) {
        const QRect inner = PanelRect(i);
        qDrawShadePanel(&painter, inner.adjusted(-1, -1, 1, 1), palette(), true, 1);
        if (panels_.at(i).ownerDrawn) {
            if (OnDrawPanel) {
                painter.save();
                painter.setClipRect(inner);
                OnDrawPanel(this, i, painter, inner);
                painter.restore();
            }
            continue;
        }
        const QRect textRect = inner.adjusted(kTextMargin_px, 0, -kTextMargin_px, 0);
        const QString text =
            fontMetrics().elidedText(panels_.at(i).text, Qt::ElideRight, textRect.width());
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, text);
    }
}

} // namespace widgets
