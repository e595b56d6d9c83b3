#include "app/form_fonts.h"

#include <QStringList>

namespace app {

void InstallFontSubstitutes() {
    // Narrow fonts first: captions were sized for these families.
    const QStringList narrowSans = {"DejaVu Sans Condensed", "Liberation Sans Narrow", "Liberation Sans",
                                    "DejaVu Sans"};
    QFont::insertSubstitutions("Trebuchet MS", narrowSans);
    QFont::insertSubstitutions("Tahoma", narrowSans);
}

QFont FormFont(const QString& family, int pixelHeight) {
    QFont font(family);
    font.setPixelSize(pixelHeight);
    return font;
}

}  // namespace app
