#include "app/dir_dialog.h"

#include <QFileDialog>

namespace app {

std::function<std::optional<QString>(const QString& title)> TDirDialog::answerHook;

bool TDirDialog::Execute() {
    std::optional<QString> chosen;
    if (answerHook) {
        chosen = answerHook(Title);
    } else {
        const QString folder = QFileDialog::getExistingDirectory(owner_, Title);
        if (!folder.isEmpty())
            chosen = folder;
    }
    if (!chosen)
        return false;
    Directory = *chosen;
    return true;
}

}  // namespace app
