// The settings file and the automatic-save folder.
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QTemporaryFile>
#include <QToolButton>

#include "app/dir_dialog.h"
#include "app/ini_file.h"
#include "app/main_window.h"
#include "platform/message_box.h"

namespace app {

namespace {

const QString kSection = QStringLiteral("Persistent");
const QString kNoFolder = QStringLiteral("[specify folder]");

// Only a full path names the folder; "[specify folder]" never does, whatever
// the working folder holds.
bool IsDirectory(const QString& path) {
    const QFileInfo info(path);
    return info.isAbsolute() && info.isDir();
}

}  // namespace

void TFMain::LoadSettings() {
    const bool autoSave = iniFile->ReadBool(kSection, "AutoSaveDNG", false);
    cbStripExif->setChecked(iniFile->ReadBool(kSection, "StripExifFromJPEG", false));
    const QString folder = iniFile->ReadString(kSection, "AutoSavePathDNG", kNoFolder);
    if (!IsDirectory(folder))
        return;
    settingsGuard = false;
    cbAutoSave->setChecked(autoSave);
    // When the box kept its state its handler did not run to raise the guard.
    settingsGuard = true;
    lbFolder->setText(folder);
}

bool TFMain::CheckFolderWritable(const QString& folder) {
    // A file of our own that did not exist before, so no file of the user's
    // is ever replaced or removed by the test.
    QTemporaryFile probe(QDir(folder).filePath("clarivane-write-test-XXXXXX.tmp"));
    if (probe.open())
        return true;
    platform::MessageBox(
        "Clarivane does not have permission to write to the selected folder.\n\n"
        "Please choose a folder you may write to.",
        "No permission", platform::MB_ICONWARNING);
    return false;
}

void TFMain::cbAutoSaveClick() {
    const bool checked = cbAutoSave->isChecked();
    sbBrowse->setVisible(checked);
    lbFolder->setEnabled(checked);
    bool ok = true;
    if (lbFolder->text() != kNoFolder && settingsGuard && checked)
        ok = CheckFolderWritable(lbFolder->text());
    if (!ok || (!IsDirectory(lbFolder->text()) && settingsGuard && checked))
        sbBrowseClick();
    sbBrowse->setVisible(cbAutoSave->isChecked());
    iniFile->WriteBool(kSection, "AutoSaveDNG", cbAutoSave->isChecked());
    settingsGuard = true;
}

void TFMain::sbBrowseClick() {
    TDirDialog dialog(this);
    dialog.Title = "Select path for storage...";
    // "[specify folder]" or a folder gone since leaves the picker at home.
    dialog.Directory = lbFolder->text();
    bool ok = true;
    if (dialog.Execute()) {
        lbFolder->setText(dialog.Directory);
        ok = CheckFolderWritable(dialog.Directory);
        if (ok)
            iniFile->WriteString(kSection, "AutoSavePathDNG", dialog.Directory);
    }
    if (!IsDirectory(lbFolder->text()) || !ok) {
        settingsGuard = false;
        cbAutoSave->setChecked(false);
        settingsGuard = true;
        iniFile->WriteString(kSection, "AutoSavePathDNG", kNoFolder);
    }
}

void TFMain::cbStripExifClick() { iniFile->WriteBool(kSection, "StripExifFromJPEG", cbStripExif->isChecked()); }

}  // namespace app
