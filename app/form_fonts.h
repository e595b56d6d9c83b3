#pragma once
#include <QFont>
#include <QString>

namespace app {

// The forms name the fonts of their original platform; where a family is not
// installed, a sans font of similar width stands in for it.
void InstallFontSubstitutes();

// A font of the forms: family and height in pixels.
QFont FormFont(const QString& family, int pixelHeight);

}  // namespace app
