#pragma once

namespace engine {
class ClassFFT;
}

namespace pipeline {

// What the negative's passes need of the main window. The window implements
// it; tests fake it. Kept this narrow so the pipeline never sees a widget.
class MainWindowLink {
public:
    virtual ~MainWindowLink() = default;
    // The window's deconvolution engine, or null before it has made one.
    virtual engine::ClassFFT* FftEngine() = 0;
    // Maxima of the blur panel's masking and localization sliders.
    virtual void SetMaskingMaximum(int maximum) = 0;
    virtual void SetLocalizationMaximum(int maximum) = 0;
};

// The process-wide main window; null while there is none (tools, tests).
extern MainWindowLink* gMainWindow;

// The engine that decides the deblur area, or null when there is no window:
// then every site counts as inside.
const engine::ClassFFT* LinkedEngine();

}  // namespace pipeline
