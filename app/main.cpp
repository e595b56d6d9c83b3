#include <QApplication>

#include "app/program_entry.h"
#include "app/qt_platform.h"
#include "app/single_instance.h"

int main(int argc, char** argv) {
    // Before Qt's start looks the runtime folder up, so that it is looked up once.
    app::InstanceFolder();
    QApplication application(argc, argv);
    InstallQtPlatformHooks();
    return app::RunProgram(QCoreApplication::arguments().mid(1));
}
