// Choosing the output file of a final result and writing it there.
#include <QApplication>
#include <QFileDialog>

#include "app/main_window.h"
#include "pipeline/class_dngconvert.h"

namespace app {

void TFMain::SaveWithDialog() {
    QFileDialog dialog(this, isJPEG ? "Save JPG" : "Save DNG");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(isJPEG ? "JPG, JPEG (*.jpg)" : "DNG (*.dng)");
    dialog.setDefaultSuffix(isJPEG ? "jpg" : "dng");
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString path = dialog.selectedFiles().first();
    EnableControls(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    lastSavedName = QFileInfo(path).fileName();
    if (isJPEG)
        convert->SaveResultJPG(path.toStdString());
    else
        convert->WriteDNG(path.toStdString());
    EnableControls(true);
    QApplication::restoreOverrideCursor();
}

}  // namespace app
