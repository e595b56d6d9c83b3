#include "engine/class_fft.h"

#include <utility>

namespace engine {

ClassFFT::ClassFFT(std::string folder) : dataFolder(std::move(folder)) {}

void ClassFFT::SetLowPass(int level) { lowPass = level; }

void ClassFFT::SetLocalization(int position, int maximum) {
    localization = position;
    localizationMax = maximum;
}

void ClassFFT::AddCircle(int y, int x) { circles.push_back(std::make_unique<ControlCircle>(y, x)); }

void ClassFFT::DeleteCircle(int index) {
    if (index < 0 || index >= int(circles.size())) return;
    circles.erase(circles.begin() + index);
}

void ClassFFT::ClearCircles() { circles.clear(); }

bool ClassFFT::InDeblurArea(int y, int x) const {
    if (circles.empty()) return true;
    for (const auto& circle : circles) {
        if (circle->Depth(y, x) > -1) return true;
    }
    return false;
}

}  // namespace engine
