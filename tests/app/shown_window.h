#pragma once
// The tests reach into every kind of widget the window holds.
#include <QtTest>
#include <QtWidgets>
#include <memory>

#include "app/about_form.h"
#include "app/form_fonts.h"
#include "app/main_window.h"
#include "pipeline/plugin_mode.h"

// Where the program keeps its settings.
inline QString SettingsFilePath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/Clarivane/Clarivane.ini";
}

// A main window made and first shown as the program does it, in regular or
// plug-in mode, with the About box beside it; standing on the given screen
// before its first show, when one is given.
class ShownWindow {
public:
    explicit ShownWindow(bool pluginMode = false, const QString& photo = QString(), QScreen* screen = nullptr) {
        app::InstallFontSubstitutes();
        pipeline::gPluginMode = pluginMode;
        pipeline::gFileToOpen = photo.toStdString();
        window = std::make_unique<app::TFMain>();
        app::FMain = window.get();
        if (screen)
            window->move(screen->geometry().topLeft());
        about = std::make_unique<app::TFAbout>(window.get());
        app::FAbout = about.get();
        window->show();
        exposed = QTest::qWaitForWindowExposed(window.get());
        // What the first show leaves for the event loop (the plug-in auto-open).
        QCoreApplication::processEvents();
    }
    ~ShownWindow() {
        app::FAbout = nullptr;
        about.reset();
        window.reset();
        pipeline::gPluginMode = false;
        pipeline::gFileToOpen.clear();
    }
    ShownWindow(const ShownWindow&) = delete;
    ShownWindow& operator=(const ShownWindow&) = delete;

    app::TFMain* operator->() const { return window.get(); }
    app::TFMain& operator*() const { return *window; }

    template <typename Component>
    Component* Find(const QString& name) const {
        return window->findChild<Component*>(name);
    }

    std::unique_ptr<app::TFMain> window;
    std::unique_ptr<app::TFAbout> about;
    bool exposed = false;
};
