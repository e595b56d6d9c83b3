#include <gtest/gtest.h>

#include <tuple>

#include "app/blend_darkening.h"
#include "app/circle_editor.h"
#include "engine/class_fft.h"

namespace {

using app::CircleCursor;
using app::CircleEditor;
using app::ImagePoint;
using engine::ClassFFT;

struct CircleState {
    int row, column, radiusX, radiusY, percent;
    bool selected;
};

void Expect(const ClassFFT& fft, const std::vector<CircleState>& want, const std::string& what) {
    ASSERT_EQ(fft.circles.size(), want.size()) << what;
    for (std::size_t i = 0; i < want.size(); ++i) {
        const auto& c = *fft.circles[i];
        const CircleState& s = want[i];
        EXPECT_EQ(std::make_tuple(c.y, c.x, c.radiusX, c.radiusY, c.transitionPercent, c.selected),
                  std::make_tuple(s.row, s.column, double(s.radiusX), double(s.radiusY), s.percent, s.selected))
            << what << " circle " << i;
    }
}

// Press, move and release at points given row first, as the engine takes them.
ImagePoint At(int row, int column) { return {column, row}; }

TEST(CircleEditor, ClicksOnEmptySpacePlaceSelectedCirclesAndCountThem) {
    ClassFFT fft("");
    CircleEditor editor(&fft);
    EXPECT_EQ(editor.CountText(), "-");
    const struct {
        ImagePoint at;
        const char* count;
    } clicks[] = {{At(300, 411), "1 deblur circle active"},
                  {At(77, 1003), "2 deblur circles active"},
                  {At(900, 30), "3 deblur circles active"}};
    std::vector<CircleState> want;
    for (const auto& click : clicks) {
        EXPECT_EQ(editor.Hover(click.at), CircleCursor::Placing);
        EXPECT_FALSE(editor.Press(click.at, true));
        EXPECT_TRUE(editor.circleMouseDown);
        const auto sliders = editor.Release(true);
        ASSERT_TRUE(sliders);
        EXPECT_EQ(sliders->size, 200);
        EXPECT_EQ(sliders->feather, 20);
        EXPECT_FALSE(editor.circleMouseDown);
        for (auto& c : want) c.selected = false;
        want.push_back({click.at.row, click.at.column, 100, 100, 20, true});
        Expect(fft, want, click.count);
        EXPECT_EQ(editor.CountText(), click.count);
    }
    EXPECT_EQ(CircleEditor::CountText(12), "12 deblur circles active");
}

TEST(CircleEditor, APressInsideOverlappingCirclesPrefersTheSelectedOneElseTheFirst) {
    const struct {
        const char* what;
        int selectedBefore;  // -1: none
        int chosen;
    } cases[] = {{"none selected: first in list", -1, 0},
                 {"second selected: it stays", 1, 1},
                 {"first selected: it stays", 0, 0}};
    for (const auto& c : cases) {
        ClassFFT fft("");
        fft.AddCircle(200, 200);
        fft.AddCircle(210, 260);
        fft.AddCircle(700, 700);  // not hit, so deselected by the press
        fft.circles[1]->SetSize(60, 90, 35);
        for (int i = 0; i < 3; ++i) fft.circles[i]->SetSelected(i == c.selectedBefore || i == 2);
        CircleEditor editor(&fft);
        const auto sliders = editor.Press(At(205, 230), true);
        ASSERT_TRUE(sliders) << c.what;
        EXPECT_EQ(sliders->size, c.chosen == 1 ? 180 : 200) << c.what;
        EXPECT_EQ(sliders->feather, c.chosen == 1 ? 35 : 20) << c.what;
        EXPECT_TRUE(fft.circles[c.chosen]->selected) << c.what;
        EXPECT_FALSE(fft.circles[1 - c.chosen]->selected) << c.what;
        EXPECT_FALSE(fft.circles[2]->selected) << c.what;
        EXPECT_EQ(editor.dragOffsetX, fft.circles[c.chosen]->x - 230) << c.what;
        EXPECT_EQ(editor.dragOffsetY, fft.circles[c.chosen]->y - 205) << c.what;
        EXPECT_TRUE(editor.circleHit) << c.what;
        // A hit never places a new circle on release.
        EXPECT_FALSE(editor.Release(true)) << c.what;
        EXPECT_EQ(fft.circles.size(), 3u) << c.what;
        EXPECT_FALSE(editor.circleHit) << c.what;
    }
}

TEST(CircleEditor, ADragKeepsTheGripPointUnderThePointer) {
    ClassFFT fft("");
    fft.AddCircle(300, 400);
    CircleEditor editor(&fft);
    EXPECT_EQ(editor.Hover(At(310, 420)), CircleCursor::Move);
    editor.Press(At(310, 420), true);
    EXPECT_EQ(editor.dragOffsetX, -20);
    EXPECT_EQ(editor.dragOffsetY, -10);
    const ImagePoint path[] = {At(311, 433), At(350, 500), At(12, 3)};
    for (const auto& p : path) {
        EXPECT_TRUE(editor.Drag(p));
        EXPECT_EQ(fft.circles[0]->x, p.column - 20);
        EXPECT_EQ(fft.circles[0]->y, p.row - 10);
    }
    EXPECT_FALSE(editor.Release(true));
    Expect(fft, {{2, -17, 100, 100, 20, true}}, "after the move");
    EXPECT_FALSE(editor.moveMode);
}

TEST(CircleEditor, EachHandleResizesItsAxisByTheDistanceFromTheCentre) {
    struct Case {
        const char* what;
        ImagePoint handle;
        CircleCursor cursor;
        bool slidersReloaded;
        ImagePoint dragTo;
        int radiusX, radiusY;
    };
    // Circle at row 300, column 400, radii 100 and 70 (left 300, right 500, top 230, bottom 370).
    const Case cases[] = {
        {"top", At(230, 403), CircleCursor::ResizeVertical, false, At(260, 380), 100, 40},
        {"right", At(297, 500), CircleCursor::ResizeHorizontal, true, At(290, 430), 30, 70},
        {"bottom", At(373, 397), CircleCursor::ResizeVertical, true, At(385, 999), 100, 85},
        {"left dragged past the centre", At(304, 298), CircleCursor::ResizeHorizontal, true,
         At(300, 451), 51, 70},
    };
    for (const auto& c : cases) {
        ClassFFT fft("");
        fft.AddCircle(300, 400);
        fft.circles[0]->SetSize(100, 70, 45);
        CircleEditor editor(&fft);
        EXPECT_EQ(editor.Hover(c.handle), c.cursor) << c.what;
        EXPECT_EQ(editor.Press(c.handle, true).has_value(), c.slidersReloaded) << c.what;
        EXPECT_TRUE(editor.Drag(c.dragTo)) << c.what;
        EXPECT_FALSE(editor.Release(true)) << c.what;
        Expect(fft, {{300, 400, c.radiusX, c.radiusY, 45, true}}, c.what);
    }
}

TEST(CircleEditor, ASelectedCirclesHandleWinsOverAnEarlierCircleAroundIt) {
    ClassFFT fft("");
    fft.AddCircle(300, 300);
    fft.AddCircle(300, 420);
    fft.circles[1]->SetSize(50, 50, 20);
    fft.circles[0]->SetSelected(false);
    CircleEditor editor(&fft);
    // The left handle of the second circle lies inside the first one.
    EXPECT_EQ(editor.Hover(At(300, 370)), CircleCursor::ResizeHorizontal);
    EXPECT_TRUE(editor.leftHandleMode);
    EXPECT_TRUE(editor.Press(At(300, 370), true));
    EXPECT_TRUE(editor.Drag(At(300, 400)));
    Expect(fft, {{300, 300, 100, 100, 20, false}, {300, 420, 20, 50, 20, true}}, "handle inside another");
    // Inside an unselected circle only: a move is offered.
    editor.Release(true);
    EXPECT_EQ(editor.Hover(At(300, 250)), CircleCursor::Move);
    EXPECT_EQ(editor.Hover(At(900, 900)), CircleCursor::Placing);
}

TEST(CircleEditor, SlidersChangeOnlyTheSelectedCircle) {
    const struct {
        int radiusX, radiusY, size;
        double wantX, wantY;
    } cases[] = {{100, 50, 301, 150, 75}, {40, 80, 300, 75, 150}, {100, 100, 21, 10, 10}, {90, 30, 1000, 500, 500.0 / 3}};
    for (const auto& c : cases) {
        ClassFFT fft("");
        fft.AddCircle(10, 10);
        fft.AddCircle(500, 500);
        fft.circles[0]->SetSelected(false);
        fft.circles[1]->SetSize(c.radiusX, c.radiusY, 20);
        CircleEditor editor(&fft);
        editor.SizeSliderChanged(c.size);
        editor.FeatherSliderChanged(c.size % 2 ? 33 : 95);
        EXPECT_NEAR(fft.circles[1]->radiusX, c.wantX, 1e-9) << c.size;
        EXPECT_NEAR(fft.circles[1]->radiusY, c.wantY, 1e-9) << c.size;
        EXPECT_EQ(fft.circles[1]->transitionPercent, c.size % 2 ? 33 : 80) << c.size;
        const auto& first = *fft.circles[0];
        EXPECT_EQ(first.radiusX, 100.0) << "unselected circle untouched";
        EXPECT_EQ(first.transitionPercent, 20) << "unselected circle untouched";
    }
}

TEST(CircleEditor, UnselectAndDeleteActOnTheFirstSelectedCircle) {
    ClassFFT fft("");
    CircleEditor editor(&fft);
    EXPECT_FALSE(editor.DeleteSelected());
    for (int i = 0; i < 3; ++i) fft.AddCircle(100 * i, 50 * i);
    for (int i = 0; i < 3; ++i) fft.circles[i]->SetSelected(i == 1);
    EXPECT_TRUE(editor.AnySelected());
    EXPECT_TRUE(editor.DeleteSelected());
    Expect(fft, {{0, 0, 100, 100, 20, false}, {200, 100, 100, 100, 20, false}}, "middle deleted");
    EXPECT_FALSE(editor.AnySelected());
    EXPECT_FALSE(editor.DeleteSelected());
    EXPECT_EQ(editor.CountText(), "2 deblur circles active");
    fft.circles[1]->SetSelected(true);
    editor.UnselectAll();
    EXPECT_FALSE(editor.AnySelected());
    fft.circles[0]->SetSelected(true);
    EXPECT_TRUE(editor.DeleteSelected());
    fft.circles[0]->SetSelected(true);
    EXPECT_TRUE(editor.DeleteSelected());
    EXPECT_EQ(editor.CountText(), "-");
}

TEST(OverlayDarkening, IsOneConstantAlphaBlendOfDarkGrey) {
    EXPECT_EQ(app::DarkenChannel(255), 121);
    EXPECT_EQ(app::DarkenChannel(0), 9);
    for (int c = 0; c < 256; ++c) {
        const double exact = c * (255.0 - 143.0) / 255.0 + 16.0 * 143.0 / 255.0;
        EXPECT_LE(std::abs(app::DarkenChannel(uint8_t(c)) - exact), 0.5) << c;
        if (c > 0) {
            EXPECT_GE(app::DarkenChannel(uint8_t(c)), app::DarkenChannel(uint8_t(c - 1))) << c;
        }
    }
}

}  // namespace
