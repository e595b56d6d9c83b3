#pragma once

class QScreen;
class QWidget;

namespace app {

// Moves a top-level window, frame included, to the middle of the screen's
// available area. A window larger than that area keeps its top-left corner,
// and with it the title bar, on the screen.
void CentreOnScreen(QWidget* window, const QScreen* screen);

}  // namespace app
