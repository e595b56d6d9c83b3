#include "pipeline/main_window_link.h"

namespace pipeline {

MainWindowLink* gMainWindow = nullptr;

const engine::ClassFFT* LinkedEngine() { return gMainWindow ? gMainWindow->FftEngine() : nullptr; }

}  // namespace pipeline
