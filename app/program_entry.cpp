#include "app/program_entry.h"

#include <QApplication>
#include <exception>
#include <memory>

#include "app/about_form.h"
#include "app/blend.h"
#include "app/command_line.h"
#include "app/form_fonts.h"
#include "app/main_window.h"
#include "app/single_instance.h"
#include "pipeline/plugin_mode.h"
#include "platform/message_box.h"

namespace app {

namespace {

const char* const kVersionRunningText =
    "Clarivane for Lightroom can't start...\n\nIs there a regular version of Clarivane running?\n\n"
    "If so, please close that one first, then retry...";

// Creates the forms in their order and runs the message loop.
void RunForms() {
    auto mainWindow = std::make_unique<TFMain>();
    FMain = mainWindow.get();
    auto about = std::make_unique<TFAbout>(mainWindow.get());
    FAbout = about.get();
    auto createMatrix = std::make_unique<TFCreateMatrix>();
    FCreateMatrix = createMatrix.get();
    // The main window takes the overlay as its child when first shown.
    FBlend = new TFBlend;
    mainWindow->show();
    QApplication::exec();
    FAbout = nullptr;
    FCreateMatrix = nullptr;
    if (!FBlend->parent())
        delete FBlend;
    FBlend = nullptr;
}

}  // namespace

int RunProgram(const QStringList& arguments) {
    const QString text = JoinArguments(arguments);
    if (!text.isEmpty()) {
        const CommandLine commandLine = ParseCommandLine(text);
        if (commandLine.pluginMode) {
            pipeline::gPluginMode = true;
            pipeline::gFileToOpen = commandLine.fileToOpen.toStdString();
            if (NeedsFormatQuestion(commandLine.fileToOpen) &&
                platform::MessageBox(kWrongFormatText, kWrongFormatCaption,
                                     platform::MB_YESNO | platform::MB_ICONWARNING) == platform::IDNO)
                return 0;
        }
    }

    // Held until the process ends.
    static InstanceLock instanceLock;
    if (instanceLock.Acquire() == InstanceLock::Outcome::GaveUp) {
        if (pipeline::gPluginMode)
            platform::MessageBox(kVersionRunningText, "Version running?", platform::MB_ICONQUESTION);
        return 0;
    }

    QApplication::setApplicationName("Clarivane");
    InstallFontSubstitutes();
    try {
        RunForms();
    } catch (const std::exception& error) {
        platform::MessageBox(error.what(), "Clarivane", platform::MB_ICONERROR);
    } catch (...) {
        platform::MessageBox("", "Clarivane", platform::MB_ICONERROR);
    }
    return 0;
}

}  // namespace app
