#pragma once

// Where on a slider the user clicks: the handle's centre when the thumb stands at a value.
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>

namespace transporttest {

inline QPoint pointOfValue(const QSlider& slider, int value) {
    // The slider's own style options; the member is protected, its address is not.
    struct Access : QSlider {
        static void init(const QSlider& s, QStyleOptionSlider* option) {
            (s.*&Access::initStyleOption)(option);
        }
    };
    QStyleOptionSlider option;
    Access::init(slider, &option);
    option.sliderPosition = value;
    option.sliderValue = value;
    return slider.style()
        ->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, &slider)
        .center();
}

} // namespace transporttest
