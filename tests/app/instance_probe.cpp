// The program as the handshake tests run it: the real entry and window, with
// message boxes and window states reported on the standard output.
#include <QApplication>
#include <QTimer>
#include <iostream>

#include "app/main_window.h"
#include "app/program_entry.h"
#include "app/single_instance.h"
#include "platform/message_box.h"

int main(int argc, char** argv) {
    // Before Qt's start looks the runtime folder up, so that it is looked up once.
    app::InstanceFolder();
    QApplication application(argc, argv);
    // Questions get the answer the test asks for, Yes by default.
    const bool answerNo = qEnvironmentVariable("CLARIVANE_PROBE_ANSWER") == "no";
    platform::SetMessageBoxHandler([answerNo](const std::string&, const std::string& caption, unsigned flags) {
        std::cout << "message: " << caption << std::endl;
        if ((flags & 0xF) == platform::MB_YESNO)
            return int(answerNo ? platform::IDNO : platform::IDYES);
        return int(platform::IDOK);
    });

    // Started minimized, the window reports when an activation restores it.
    const bool startMinimized = qEnvironmentVariableIsSet("CLARIVANE_PROBE_MINIMIZED");
    bool shown = false;
    bool minimized = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!app::FMain || !app::FMain->isVisible())
            return;
        if (!shown) {
            shown = true;
            std::cout << "shown" << std::endl;
            if (startMinimized) {
                app::FMain->showMinimized();
                minimized = true;
                std::cout << "minimized" << std::endl;
            }
        } else if (minimized && !app::FMain->isMinimized()) {
            minimized = false;
            std::cout << "restored" << std::endl;
        }
    });
    watch.start(10);
    return app::RunProgram(QCoreApplication::arguments().mid(1));
}
