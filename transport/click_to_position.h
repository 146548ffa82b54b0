#pragma once

class QSlider;

namespace transport {

// Makes a left click on the slider's groove put the thumb at the click point (and grab it, so
// the user may drag on) instead of moving it by a page.
void SetClickToPosition(QSlider& slider);

} // namespace transport
