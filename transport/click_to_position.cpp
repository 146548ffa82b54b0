#include "transport/click_to_position.h"

#include <QProxyStyle>
#include <QSlider>

namespace transport {

namespace {

// The widget's usual style, except that the left button sets the slider absolutely.
class ClickToPositionStyle final : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        const int base = QProxyStyle::styleHint(hint, option, widget, returnData);
        if (hint == SH_Slider_AbsoluteSetButtons) {
            return base | Qt::LeftButton;
        }
        if (hint == SH_Slider_PageSetButtons) {
            return base & ~Qt::LeftButton;
        }
        return base;
    }
};

} // namespace

void SetClickToPosition(QSlider& slider) {
    // The slider owns its style object; a widget keeps only a guarded reference to it.
    auto* style = new ClickToPositionStyle();
    style->setParent(&slider);
    slider.setStyle(style);
}

} // namespace transport
