#include "app/dir_dialog.h"
#include "app_test_main.h"
#include "file_dialog_answer.h"
#include "local_http_server.h"
#include "message_log.h"
#include "shown_window.h"

namespace {

const QString kNoFolder = "[specify folder]";

// The INI file's lines of the section, as written.
QStringList IniLines() {
    QFile file(SettingsFilePath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
}

void WriteIni(const QStringList& lines) {
    QDir().mkpath(QFileInfo(SettingsFilePath()).path());
    QFile file(SettingsFilePath());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(("[Persistent]\n" + lines.join('\n') + '\n').toUtf8());
}

// The folder picker's answers, and how often it was asked.
struct PickerAnswers {
    PickerAnswers() {
        app::TDirDialog::answerHook = [this](const QString& title) -> std::optional<QString> {
            titles << title;
            if (answers.isEmpty())
                return std::nullopt;
            return answers.takeFirst();
        };
    }
    ~PickerAnswers() { app::TDirDialog::answerHook = nullptr; }
    QStringList answers;
    QStringList titles;
};

}  // namespace

class MainWindowSettingsTest : public QObject {
    Q_OBJECT

private slots:
    void init() { QFile::remove(SettingsFilePath()); }

    void savedSettingsComeBackOnlyWithTheirFolder_data() {
        QTest::addColumn<bool>("folderExists");
        QTest::addColumn<QString>("autoSave");
        QTest::addColumn<bool>("checked");
        QTest::newRow("folder there, auto save on") << true << "1" << true;
        QTest::newRow("folder there, any non-zero is on") << true << "7" << true;
        QTest::newRow("folder there, auto save off") << true << "0" << false;
        QTest::newRow("folder gone") << false << "1" << false;
        QTest::newRow("first run: no settings file") << false << "" << false;
    }

    void savedSettingsComeBackOnlyWithTheirFolder() {
        QFETCH(bool, folderExists);
        QFETCH(QString, autoSave);
        QFETCH(bool, checked);
        QTemporaryDir folder;
        const QString remembered = folderExists ? folder.path() : folder.path() + "/gone";
        if (!autoSave.isEmpty())
            WriteIni({"AutoSaveDNG=" + autoSave, "StripExifFromJPEG=1", "AutoSavePathDNG=" + remembered});
        PickerAnswers picker;
        MessageLog log;
        ShownWindow window;
        QCOMPARE(window->cbAutoSave->isChecked(), checked);
        QCOMPARE(window->lbFolder->text(), folderExists ? remembered : kNoFolder);
        QCOMPARE(window->lbFolder->isEnabled(), checked);
        QCOMPARE(!window->sbBrowse->isHidden(), checked);
        QCOMPARE(window->cbStripExif->isChecked(), !autoSave.isEmpty());
        QVERIFY(QFileInfo(SettingsFilePath()).dir().exists());
        QVERIFY(picker.titles.isEmpty());
        QVERIFY(log.messages.empty());
        QVERIFY(window->settingsGuard);
    }

    // A refused folder stays in the label but is not stored, and the user is told why.
    void tickingWithoutAFolderAsksForOne_data() {
        // "chosen" stands for a fresh writable folder holding file.txt; an empty answer cancels.
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("checked");
        QTest::newRow("cancelled") << "" << false;
        QTest::newRow("writable folder") << "chosen" << true;
        QTest::newRow("folder nobody may write to") << "/proc" << false;
        QTest::newRow("path under a file") << "chosen/file.txt/sub" << false;
    }

    void tickingWithoutAFolderAsksForOne() {
        QFETCH(QString, answer);
        QFETCH(bool, checked);
        const QString label = answer.isEmpty() ? kNoFolder : answer;
        const QString stored = checked ? answer : kNoFolder;
        const int messages = !answer.isEmpty() && !checked;
        if (answer == "/proc" && !QFileInfo("/proc").isDir())
            QSKIP("no /proc here: no folder that even the superuser cannot write to");
        QTemporaryDir folder;
        QFile(folder.filePath("file.txt")).open(QIODevice::WriteOnly);
        auto expand = [&](QString text) { return text.replace("chosen", folder.path()); };

        ShownWindow window;
        PickerAnswers picker;
        if (!answer.isEmpty())
            picker.answers << expand(answer);
        MessageLog log;
        window->cbAutoSave->click();

        QCOMPARE(picker.titles, QStringList{"Select path for storage..."});
        QCOMPARE(window->cbAutoSave->isChecked(), checked);
        QCOMPARE(window->lbFolder->text(), expand(label));
        QCOMPARE(!window->sbBrowse->isHidden(), checked);
        QCOMPARE(int(log.messages.size()), messages);
        if (messages) {
            QCOMPARE(log.messages[0].caption, std::string("No permission"));
            QCOMPARE(log.messages[0].flags, unsigned(platform::MB_ICONWARNING));
            // The program's own name and advice a Linux user can follow.
            const QString text = QString::fromStdString(log.messages[0].text);
            QVERIFY2(text.startsWith("Clarivane does not have permission"), qPrintable(text));
            QVERIFY2(text.contains("choose a folder you may write to"), qPrintable(text));
            QVERIFY2(!text.contains("Administrator"), qPrintable(text));
        }
        QVERIFY(IniLines().contains("AutoSavePathDNG=" + expand(stored)));
        QVERIFY(IniLines().contains(QString("AutoSaveDNG=") + (checked ? "1" : "0")));
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{"file.txt"});
        QVERIFY(window->settingsGuard);
    }

    void tickingWithARememberedFolderTestsItAgain_data() {
        QTest::addColumn<bool>("writable");
        QTest::newRow("writable") << true;
        QTest::newRow("nobody may write") << false;
    }

    void tickingWithARememberedFolderTestsItAgain() {
        QFETCH(bool, writable);
        if (!writable && !QFileInfo("/proc").isDir())
            QSKIP("no /proc here: no folder that even the superuser cannot write to");
        QTemporaryDir folder;
        // A file of the user's with the name the write test once used.
        QFile own(folder.filePath("_test.tmp"));
        QVERIFY(own.open(QIODevice::WriteOnly));
        own.write("the user's own");
        own.close();
        const QString remembered = writable ? folder.path() : "/proc";
        WriteIni({"AutoSaveDNG=0", "AutoSavePathDNG=" + remembered});
        ShownWindow window;
        PickerAnswers picker;
        MessageLog log;
        window->cbAutoSave->click();

        QCOMPARE(int(log.messages.size()), writable ? 0 : 1);
        // A failed test opens the picker; cancelling it keeps the existing folder.
        QCOMPARE(picker.titles.size(), writable ? 0 : 1);
        QVERIFY(window->cbAutoSave->isChecked());
        QCOMPARE(window->lbFolder->text(), remembered);
        QVERIFY(IniLines().contains("AutoSaveDNG=1"));
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{"_test.tmp"});
        QVERIFY(own.open(QIODevice::ReadOnly));
        QCOMPARE(own.readAll(), QByteArray("the user's own"));
    }

    // The picker opens at the auto-save folder while it exists, else at home;
    // Choose pressed at once takes the folder shown, Escape keeps what was.
    void pickerOpensAtTheAutoSaveFolder_data() {
        // "folder" is a remembered writable folder; "gone" is one removed once the window is up.
        QTest::addColumn<QString>("remembered");
        QTest::addColumn<bool>("choose");
        QTest::addColumn<QString>("opensAt");
        QTest::addColumn<QString>("label");
        QTest::addColumn<bool>("checked");
        QTest::newRow("no folder: ticking opens at home, Choose takes it") << "" << true << "home" << "home" << true;
        QTest::newRow("a folder: the button opens at it, Choose keeps it")
            << "folder" << true << "folder" << "folder" << true;
        QTest::newRow("a folder: Escape keeps it") << "folder" << false << "folder" << "folder" << true;
        QTest::newRow("a folder gone: opens at home, Escape unticks")
            << "gone" << false << "home" << "gone" << false;
        QTest::newRow("a folder gone: Choose takes home") << "gone" << true << "home" << "home" << true;
    }

    void pickerOpensAtTheAutoSaveFolder() {
        QFETCH(QString, remembered);
        QFETCH(bool, choose);
        QFETCH(QString, opensAt);
        QFETCH(QString, label);
        QFETCH(bool, checked);
        QTemporaryDir places;
        // The working folder holds a folder named as the label without a folder.
        for (const char* folder : {"folder", "gone", "elsewhere/[specify folder]"})
            QVERIFY(QDir(places.path()).mkpath(folder));
        const WorkingFolder working(places.filePath("elsewhere"));
        const auto where = [&](const QString& name) {
            return name == "home" ? QDir::homePath() : places.filePath(name);
        };
        if (!remembered.isEmpty()) WriteIni({"AutoSaveDNG=1", "AutoSavePathDNG=" + where(remembered)});
        ShownWindow window;
        QCOMPARE(window->cbAutoSave->isChecked(), !remembered.isEmpty());
        if (remembered == "gone") QVERIFY(QDir(where("gone")).removeRecursively());
        QString opened;
        const FileDialogAnswer answer([&](QFileDialog& dialog) {
            opened = FileDialogAnswer::FolderOf(dialog);
            QCOMPARE(dialog.windowTitle(), QString("Select path for storage..."));
            choose ? FileDialogAnswer::ClickAccept(dialog) : FileDialogAnswer::PressEscape(dialog);
        });
        MessageLog log;
        QTest::mouseClick(remembered.isEmpty() ? static_cast<QAbstractButton*>(window->cbAutoSave)
                                               : static_cast<QAbstractButton*>(window->sbBrowse),
                          Qt::LeftButton);

        QVERIFY(answer.answered);
        QCOMPARE(opened, where(opensAt));
        QCOMPARE(window->lbFolder->text(), where(label));
        QCOMPARE(window->cbAutoSave->isChecked(), checked);
        QVERIFY(IniLines().contains("AutoSavePathDNG=" + (checked ? where(label) : kNoFolder)));
        QVERIFY(log.messages.empty());
    }

    void stripExifIsWrittenAtOnce() {
        ShownWindow window;
        window->cbStripExif->click();
        QVERIFY(IniLines().contains("StripExifFromJPEG=1"));
        window->cbStripExif->click();
        QVERIFY(IniLines().contains("StripExifFromJPEG=0"));
        QVERIFY(IniLines().contains("[Persistent]"));
    }

    void updateButtonAsksTheConfiguredServer() {
        LocalHttpServer server;
        server.body = "1.1.0";
        ShownWindow window;
        window->updateUrl = server.UrlOf("/software/clarivaneupdate.txt");
        MessageLog log;
        window->btUpdate->click();
        QCOMPARE(server.requests.size(), 1);
        QCOMPARE(log.messages.size(), std::size_t(1));
        QCOMPARE(log.messages[0].caption, std::string("Update check"));
        QVERIFY(log.messages[0].text.rfind("No update of Clarivane", 0) == 0);
        QCOMPARE(QApplication::overrideCursor(), nullptr);
    }
};

CLARIVANE_APP_TEST_MAIN(MainWindowSettingsTest)
#include "main_window_settings_test.moc"
