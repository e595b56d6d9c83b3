#pragma once
#include <QImage>

namespace app {

// The program's 48 x 48 icon: a sharp disc beside its blurred copy.
QImage ProgramIcon();

}  // namespace app
