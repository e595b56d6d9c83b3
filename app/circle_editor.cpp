#include "app/circle_editor.h"

#include <cstdlib>
#include <vector>

#include "engine/class_fft.h"
#include "engine/control_circle.h"

namespace app {

using engine::ControlCircle;

namespace {

bool OnAnyHandle(const ControlCircle& c, int row, int column) {
    return c.OnTopHandle(row, column) || c.OnRightHandle(row, column) ||
           c.OnBottomHandle(row, column) || c.OnLeftHandle(row, column);
}

}  // namespace

CircleSliderValues CircleEditor::SlidersFor(const ControlCircle& circle) {
    return {2 * circle.MaxRadius(), circle.transitionPercent};
}

std::optional<CircleSliderValues> CircleEditor::Press(ImagePoint at, bool placing) {
    clickX = at.column;
    clickY = at.row;
    circleMouseDown = true;
    // A hovered top handle starts its resize without touching the selection.
    if (!placing || topHandleMode) return std::nullopt;

    std::vector<ControlCircle*> hits;
    for (const auto& circle : fftEngine->circles) {
        if (circle->Depth(clickY, clickX) > -1 || OnAnyHandle(*circle, clickY, clickX)) {
            hits.push_back(circle.get());
        } else {
            circle->SetSelected(false);
        }
    }
    if (hits.empty()) return std::nullopt;
    ControlCircle* chosen = hits.front();
    for (ControlCircle* hit : hits) {
        if (hit->selected) {
            chosen = hit;
            break;
        }
    }
    chosen->SetSelected(true);
    dragOffsetX = chosen->x - clickX;
    dragOffsetY = chosen->y - clickY;
    circleHit = true;
    return SlidersFor(*chosen);
}

bool CircleEditor::Drag(ImagePoint at) {
    ControlCircle* circle = FirstSelected();
    if (!circle) return false;
    // A handle found by the hover test wins over a move set by an earlier,
    // unselected circle under the same point.
    if (topHandleMode || bottomHandleMode) {
        circle->SetSize(int(circle->radiusX), std::abs(circle->y - at.row), circle->transitionPercent);
    } else if (rightHandleMode || leftHandleMode) {
        circle->SetSize(std::abs(circle->x - at.column), int(circle->radiusY), circle->transitionPercent);
    } else if (moveMode) {
        circle->MoveTo(at.row + dragOffsetY, at.column + dragOffsetX);
    } else {
        return false;
    }
    return true;
}

CircleCursor CircleEditor::Hover(ImagePoint at) {
    ClearFlags();
    const int row = at.row;
    const int column = at.column;
    for (const auto& circle : fftEngine->circles) {
        if (circle->selected) {
            if (circle->OnTopHandle(row, column)) {
                topHandleMode = true;
                return CircleCursor::ResizeVertical;
            }
            if (circle->OnRightHandle(row, column)) {
                rightHandleMode = true;
                return CircleCursor::ResizeHorizontal;
            }
            if (circle->OnBottomHandle(row, column)) {
                bottomHandleMode = true;
                return CircleCursor::ResizeVertical;
            }
            if (circle->OnLeftHandle(row, column)) {
                leftHandleMode = true;
                return CircleCursor::ResizeHorizontal;
            }
            if (circle->Depth(row, column) > -1) {
                moveMode = true;
                return CircleCursor::Move;
            }
        } else if (circle->Depth(row, column) > -1) {
            moveMode = true;
        }
    }
    return moveMode ? CircleCursor::Move : CircleCursor::Placing;
}

std::optional<CircleSliderValues> CircleEditor::Release(bool placing) {
    circleMouseDown = false;
    std::optional<CircleSliderValues> placed;
    if (placing && !moveMode && !circleHit && !topHandleMode && !rightHandleMode && !bottomHandleMode &&
        !leftHandleMode) {
        UnselectAll();
        fftEngine->AddCircle(clickY, clickX);
        placed = SlidersFor(*fftEngine->circles.back());
    }
    ClearFlags();
    circleHit = false;
    return placed;
}

void CircleEditor::ClearFlags() {
    moveMode = topHandleMode = rightHandleMode = bottomHandleMode = leftHandleMode = false;
}

void CircleEditor::UnselectAll() {
    for (const auto& circle : fftEngine->circles) circle->SetSelected(false);
}

bool CircleEditor::DeleteSelected() {
    for (std::size_t i = 0; i < fftEngine->circles.size(); ++i) {
        if (fftEngine->circles[i]->selected) {
            fftEngine->DeleteCircle(int(i));
            return true;
        }
    }
    return false;
}

void CircleEditor::SizeSliderChanged(int position) {
    for (const auto& circle : fftEngine->circles) {
        if (circle->selected) circle->SetRadiusKeepAspect(position / 2);
    }
}

void CircleEditor::FeatherSliderChanged(int position) {
    for (const auto& circle : fftEngine->circles) {
        if (circle->selected) circle->SetTransition(position);
    }
}

int CircleEditor::Count() const { return int(fftEngine->circles.size()); }

std::string CircleEditor::CountText(int count) {
    if (count == 0) return "-";
    if (count == 1) return "1 deblur circle active";
    return std::to_string(count) + " deblur circles active";
}

ControlCircle* CircleEditor::FirstSelected() const {
    for (const auto& circle : fftEngine->circles) {
        if (circle->selected) return circle.get();
    }
    return nullptr;
}

}  // namespace app
