#pragma once
#include <optional>
#include <string>

#include "app/crop_model.h"

namespace engine {
class ClassFFT;
class ControlCircle;
}  // namespace engine

namespace app {

// What the "Size" and "Feather" sliders should show for a circle that was
// just selected or placed.
struct CircleSliderValues {
    int size = 200;
    int feather = 20;
};

// The pointer shape over the circle overlay after a hover test.
enum class CircleCursor { Placing, Move, ResizeVertical, ResizeHorizontal };

// Editing of the deblur circles on the overlay: press, drag, hover and
// release in preview-bitmap pixels, working on the engine's circle list.
// No widgets: the window maps pointer positions, draws and moves sliders.
class CircleEditor {
public:
    explicit CircleEditor(engine::ClassFFT* engine = nullptr) : fftEngine(engine) {}

    // The engine whose circle list is edited; set before any edit.
    engine::ClassFFT* fftEngine;

    bool circleMouseDown = false;
    int clickX = 0;
    int clickY = 0;
    int dragOffsetX = 0;
    int dragOffsetY = 0;
    bool moveMode = false;
    bool circleHit = false;
    bool topHandleMode = false;
    bool rightHandleMode = false;
    bool bottomHandleMode = false;
    bool leftHandleMode = false;

    // A press at `at`. Only while placing (the circle button is down) and not
    // on a hovered top handle does it hit-test: the circle it selects is
    // returned so the window loads it into the sliders.
    std::optional<CircleSliderValues> Press(ImagePoint at, bool placing);
    // A move with the button held: moves or resizes the first selected circle
    // by the mode the last hover test found. True when a circle changed.
    bool Drag(ImagePoint at);
    // A move without a button: sets the mode flags and says which cursor fits.
    CircleCursor Hover(ImagePoint at);
    // The release. While placing with every flag clear, deselects all and
    // places a new circle at the press position, returned for the sliders.
    // The flags are cleared in every case.
    std::optional<CircleSliderValues> Release(bool placing);

    // Deselects every circle.
    void UnselectAll();
    // Removes the first selected circle; false when none is selected.
    bool DeleteSelected();
    bool AnySelected() const { return FirstSelected() != nullptr; }
    // The "Size" slider moved: every selected circle takes half of it as its
    // larger radius, keeping the aspect.
    void SizeSliderChanged(int position);
    // The "Feather" slider moved: every selected circle takes it as percent.
    void FeatherSliderChanged(int position);

    int Count() const;
    // "-", "1 deblur circle active" or "<n> deblur circles active".
    static std::string CountText(int count);
    std::string CountText() const { return CountText(Count()); }

    engine::ControlCircle* FirstSelected() const;

private:
    void ClearFlags();
    static CircleSliderValues SlidersFor(const engine::ControlCircle& circle);
};

}  // namespace app
