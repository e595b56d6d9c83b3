#include "app/dir_dialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace app {

std::function<std::optional<QString>(const QString& title)> TDirDialog::answerHook;

bool TDirDialog::Execute() {
    std::optional<QString> chosen;
    if (answerHook) {
        chosen = answerHook(Title);
    } else {
        // Left to itself the dialog opens in the working folder, and Choose
        // pressed at once would take that folder.
        const QFileInfo start(Directory);
        const QString at = start.isAbsolute() && start.isDir() ? Directory : QDir::homePath();
        const QString folder = QFileDialog::getExistingDirectory(owner_, Title, at);
        if (!folder.isEmpty())
            chosen = folder;
    }
    if (!chosen)
        return false;
    Directory = *chosen;
    return true;
}

}  // namespace app
