#include "app/save_dialog.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <filesystem>

#include "pipeline/output_naming.h"
#include "platform/message_box.h"

namespace app {

namespace {

std::optional<std::string> PlatformSaveDialog(QWidget* parent, const SaveDialogRequest& request) {
    QFileDialog dialog(parent, QString::fromStdString(request.title));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QString::fromStdString(request.filter));
    dialog.setDefaultSuffix(QString::fromStdString(request.defaultSuffix));
    if (!request.folder.empty()) dialog.setDirectory(QString::fromStdString(request.folder));
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

std::string MissingDialogFolderText(const std::string& folder) {
    return "The folder doesn't exist...\n\n" + folder + "\n\nChoose another folder.";
}

namespace {

// The text refusing `path` as a destination, or empty when it may be written.
std::string RefusalOf(const std::string& path, const std::string& sourcePath) {
    if (pipeline::WouldOverwriteSource(path, sourcePath)) return pipeline::kSameAsSourceText;
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    std::error_code error;
    if (!folder.empty() && !std::filesystem::is_directory(folder, error)) return MissingDialogFolderText(folder);
    return "";
}

// Disables the window's controls and shows the wait cursor while it lives.
class BusyWindow {
public:
    explicit BusyWindow(const std::function<void(bool)>& enableControls) : enableControls_(enableControls) {
        if (enableControls_) enableControls_(false);
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~BusyWindow() {
        if (enableControls_) enableControls_(true);
        QApplication::restoreOverrideCursor();
    }
    BusyWindow(const BusyWindow&) = delete;
    BusyWindow& operator=(const BusyWindow&) = delete;

private:
    const std::function<void(bool)>& enableControls_;
};

// Where the dialog opens: left alone, or given a folder that is gone, it
// would open in the working folder, which has nothing to do with the photo.
std::string StartFolder(const std::string& lastSavedFolder, const std::string& sourcePath) {
    const std::string photoFolder = std::filesystem::path(sourcePath).parent_path().string();
    for (const std::string* folder : {&lastSavedFolder, &photoFolder}) {
        std::error_code error;
        if (std::filesystem::is_directory(*folder, error)) return *folder;
    }
    return QDir::homePath().toStdString();
}

}  // namespace

bool SaveWithDialog(QWidget* parent, bool isJPEG, const std::string& sourcePath, std::string& lastSavedName,
                    std::string& lastSavedFolder, const std::function<void(bool)>& enableControls,
                    const std::function<void(const std::string&)>& write) {
    SaveDialogRequest request = SaveDialogFor(isJPEG);
    request.folder = StartFolder(lastSavedFolder, sourcePath);
    std::optional<std::string> path;
    for (;;) {
        path = AskSavePath(parent, request);
        if (!path) return false;
        const std::string refusal = RefusalOf(*path, sourcePath);
        if (refusal.empty()) break;
        platform::MessageBox(refusal, pipeline::kSaveRefusalCaption, platform::MB_OK | platform::MB_ICONWARNING);
    }
    {
        const BusyWindow busy(enableControls);
        if (write) write(*path);
    }
    lastSavedName = pipeline::FileNamePart(*path);
    const std::string folder = std::filesystem::path(*path).parent_path().string();
    if (!folder.empty()) lastSavedFolder = folder;
    return true;
}

}  // namespace app
