#include "app/window_placement.h"

#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace app {

void CentreOnScreen(QWidget* window, const QScreen* screen) {
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QSize frame = window->frameGeometry().size();
    const int left = area.left() + std::max(0, (area.width() - frame.width()) / 2);
    const int top = area.top() + std::max(0, (area.height() - frame.height()) / 2);
    window->move(left, top);
}

}  // namespace app
