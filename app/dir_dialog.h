#pragma once
#include <QString>
#include <functional>
#include <optional>

class QWidget;

namespace app {

// The folder picker: the platform's directory dialog over the owner window.
class TDirDialog {
public:
    explicit TDirDialog(QWidget* owner) : owner_(owner) {}

    // Shows the picker at Directory when that is an existing folder, else in
    // the home folder. True with Directory set when a folder was chosen, false
    // when cancelled.
    bool Execute();

    QString Title;
    QString Directory;

    // Answers every Execute in place of the dialog (tests): the chosen
    // folder, or nothing for a cancel. Empty: the dialog is shown.
    static std::function<std::optional<QString>(const QString& title)> answerHook;

private:
    QWidget* owner_;
};

}  // namespace app
