#pragma once
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>

// Where the style draws the slider's handle, in the slider's own pixels.
inline QPoint SliderHandleCentre(const QSlider* slider) {
    QStyleOptionSlider option;
    option.initFrom(slider);
    option.orientation = slider->orientation();
    option.minimum = slider->minimum();
    option.maximum = slider->maximum();
    option.sliderPosition = slider->sliderPosition();
    option.sliderValue = slider->value();
    return slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider).center();
}
