#include <QApplication>
#include <QLabel>

#include "app/qt_platform.h"

// Until the main window exists the program shows a placeholder window.
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Clarivane");
    InstallQtPlatformHooks();
    QLabel window("Clarivane 1.1.0 — the main window is not built yet.");
    window.setWindowTitle("Clarivane");
    window.setMinimumSize(480, 120);
    window.setAlignment(Qt::AlignCenter);
    window.show();
    return QApplication::exec();
}
