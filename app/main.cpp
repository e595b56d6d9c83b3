#include <QApplication>

#include "app/program_entry.h"
#include "app/qt_platform.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    InstallQtPlatformHooks();
    return app::RunProgram(QCoreApplication::arguments().mid(1));
}
