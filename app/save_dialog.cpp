#include "app/save_dialog.h"

#include <QApplication>
#include <QFileDialog>

namespace app {

namespace {

std::optional<std::string> PlatformSaveDialog(QWidget* parent, const SaveDialogRequest& request) {
    QFileDialog dialog(parent, QString::fromStdString(request.title));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QString::fromStdString(request.filter));
    dialog.setDefaultSuffix(QString::fromStdString(request.defaultSuffix));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first().toStdString();
}

SaveDialogHook& Hook() {
    static SaveDialogHook hook = PlatformSaveDialog;
    return hook;
}

}  // namespace

SaveDialogRequest SaveDialogFor(bool isJPEG) {
    if (isJPEG) return {"Save JPG", "JPG, JPEG (*.jpg)", "jpg"};
    return {"Save DNG", "DNG (*.dng)", "dng"};
}

void SetSaveDialogHook(SaveDialogHook hook) { Hook() = std::move(hook); }

void ResetSaveDialogHook() { Hook() = PlatformSaveDialog; }

std::optional<std::string> AskSavePath(QWidget* parent, const SaveDialogRequest& request) {
    return Hook() ? Hook()(parent, request) : std::nullopt;
}

std::string FileNamePart(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool SaveWithDialog(QWidget* parent, bool isJPEG, std::string& lastSavedName,
                    const std::function<void(bool)>& enableControls,
                    const std::function<void(const std::string&)>& write) {
    const std::optional<std::string> path = AskSavePath(parent, SaveDialogFor(isJPEG));
    if (!path) return false;
    if (enableControls) enableControls(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    lastSavedName = FileNamePart(*path);
    if (write) write(*path);
    if (enableControls) enableControls(true);
    QApplication::restoreOverrideCursor();
    return true;
}

}  // namespace app
