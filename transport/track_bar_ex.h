#pragma once

#include <QSlider>

#include <functional>

namespace transport {

// A horizontal slider that tells whether the user holds its thumb with the left button and
// reports every button release, so that its owner can tell user input from its own moves and
// act when a drag ends. A left click on the groove puts the thumb at the click point.
class TTrackBarEx : public QSlider {
    Q_OBJECT

public:
    explicit TTrackBarEx(QWidget* parent = nullptr);

    // True from a left-button press on the control until the next left-button release.
    bool Tracking() const { return tracking_; }

    // Events; an unset one is skipped. The argument is this trackbar.
    // Every change of the thumb position, by the user or by program.
    std::function<void(TTrackBarEx* sender)> OnChange;
    // After every mouse-button release over the control, Tracking already updated.
    std::function<void(TTrackBarEx* sender)> OnEndOfChange;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool tracking_ = false;
};

} // namespace transport
