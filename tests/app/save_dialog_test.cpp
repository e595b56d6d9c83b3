#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "app/save_dialog.h"
#include "app_test_main.h"
#include "file_dialog_answer.h"

namespace {

// One save dialog in a row of them: the photo's folder ("gone" is never
// made; a folder is removed first when `removed` names one), where the dialog
// must open, and the folder and name the person saves under ("" cancels).
struct DialogVisit {
    QString photoFolder;
    QString removed;
    QString opensIn;
    QString saveIn;
    QString name;
};

}  // namespace

Q_DECLARE_METATYPE(QList<DialogVisit>)

class SaveDialogTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { app::ResetSaveDialogHook(); }

    void choiceWritesThereAndRemembersTheName_data() {
        QTest::addColumn<bool>("isJPEG");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("name");
        QTest::newRow("DNG") << false << "/tmp/photo-DB.dng" << "photo-DB.dng";
        QTest::newRow("JPEG") << true << "/tmp/IMG 1-DB.jpg" << "IMG 1-DB.jpg";
        QTest::newRow("name without folder") << true << "bare.jpg" << "bare.jpg";
        QTest::newRow("cancelled") << false << "" << "older.dng";
    }

    void choiceWritesThereAndRemembersTheName() {
        QFETCH(bool, isJPEG);
        QFETCH(QString, answer);
        QFETCH(QString, name);
        QStringList log;
        app::SetSaveDialogHook([&](QWidget*, const app::SaveDialogRequest& r) -> std::optional<std::string> {
            log << QString("ask %1|%2|%3").arg(r.title.c_str(), r.filter.c_str(), r.defaultSuffix.c_str());
            if (answer.isEmpty()) return std::nullopt;
            return answer.toStdString();
        });
        std::string lastSavedName = "older.dng";
        std::string lastSavedFolder;
        const bool chosen = app::SaveWithDialog(
            nullptr, isJPEG, "/photos/source.dng", lastSavedName, lastSavedFolder,
            [&](bool enabled) {
                log << (enabled ? "enable" : "disable");
            },
            [&](const std::string& path) {
                QVERIFY(QApplication::overrideCursor() != nullptr);
                log << QString("write %1 as %2").arg(path.c_str(), lastSavedName.c_str());
            });
        const QString ask = isJPEG ? "ask Save JPG|JPG, JPEG (*.jpg)|jpg" : "ask Save DNG|DNG (*.dng)|dng";
        if (answer.isEmpty()) {
            QVERIFY(!chosen);
            QCOMPARE(log, QStringList({ask}));
        } else {
            QVERIFY(chosen);
            // The name is taken once the file is written.
            QCOMPARE(log, QStringList({ask, "disable", QString("write %1 as older.dng").arg(answer), "enable"}));
        }
        QCOMPARE(QString::fromStdString(lastSavedName), name);
        QVERIFY(QApplication::overrideCursor() == nullptr);
    }

    // The dialog opens where the person last saved in this run, and before
    // that in the photo's folder; a cancel moves nothing.
    void dialogOpensInTheFolderLastSavedTo_data() {
        QTest::addColumn<bool>("isJPEG");
        QTest::addColumn<QList<DialogVisit>>("visits");
        const QList<DialogVisit> visits = {
            {"photos", "", "photos", "", ""},
            {"photos", "", "photos", "out", "first"},
            {"photos", "", "out", "out", "second"},
            {"others", "", "out", "", ""},
            {"others", "", "out", "photos", "third"},
            {"others", "photos", "others", "", ""},
            {"others/deeper", "", "others/deeper", "", ""},
            {"gone", "", "home", "", ""},
        };
        QTest::newRow("JPEG") << true << visits;
        QTest::newRow("DNG") << false << visits;
    }

    void dialogOpensInTheFolderLastSavedTo() {
        QFETCH(bool, isJPEG);
        QFETCH(QList<DialogVisit>, visits);
        QTemporaryDir root;
        for (const char* folder : {"photos", "out", "others/deeper", "elsewhere"})
            QVERIFY(QDir(root.path()).mkpath(folder));
        const WorkingFolder working(root.filePath("elsewhere"));
        const QString ext = isJPEG ? ".jpg" : ".dng";
        std::string lastSavedName;
        std::string lastSavedFolder;
        for (const DialogVisit& visit : visits) {
            if (!visit.removed.isEmpty()) QVERIFY(QDir(root.filePath(visit.removed)).removeRecursively());
            QString opened;
            app::SetSaveDialogHook([&](QWidget*, const app::SaveDialogRequest& request) -> std::optional<std::string> {
                opened = QString::fromStdString(request.folder);
                if (visit.saveIn.isEmpty()) return std::nullopt;
                return root.filePath(visit.saveIn + "/" + visit.name + ext).toStdString();
            });
            const std::string photo = root.filePath(visit.photoFolder + "/photo" + ext).toStdString();
            app::SaveWithDialog(nullptr, isJPEG, photo, lastSavedName, lastSavedFolder, nullptr, nullptr);
            QCOMPARE(opened, visit.opensIn == "home" ? QDir::homePath() : root.filePath(visit.opensIn));
        }
    }

    // The platform dialog shows the folder it is given and no file name.
    void platformDialogOpensInTheGivenFolderWithNoName_data() {
        QTest::addColumn<bool>("isJPEG");
        QTest::newRow("JPEG") << true;
        QTest::newRow("DNG") << false;
    }

    void platformDialogOpensInTheGivenFolderWithNoName() {
        QFETCH(bool, isJPEG);
        QTemporaryDir root;
        QVERIFY(QDir(root.path()).mkpath("photos") && QDir(root.path()).mkpath("elsewhere"));
        const WorkingFolder working(root.filePath("elsewhere"));
        QString folder;
        QString name = "not read";
        const FileDialogAnswer answer([&](QFileDialog& dialog) {
            folder = FileDialogAnswer::FolderOf(dialog);
            name = FileDialogAnswer::NameOf(dialog);
            FileDialogAnswer::PressEscape(dialog);
        });
        app::SaveDialogRequest request = app::SaveDialogFor(isJPEG);
        request.folder = root.filePath("photos").toStdString();
        QVERIFY(!app::AskSavePath(nullptr, request));
        QVERIFY(answer.answered);
        QCOMPARE(folder, root.filePath("photos"));
        QCOMPARE(name, QString());
    }

    // The platform dialog: a name typed without extension gets the photo
    // type's, and cancelling answers nothing.
    void platformDialogAddsTheDefaultSuffix_data() {
        QTest::addColumn<bool>("isJPEG");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("want");
        QTest::newRow("JPEG") << true << "result" << "result.jpg";
        QTest::newRow("DNG") << false << "result" << "result.dng";
        QTest::newRow("own extension kept") << true << "keep.jpg" << "keep.jpg";
        QTest::newRow("cancel") << false << "" << "";
    }

    void platformDialogAddsTheDefaultSuffix() {
        QFETCH(bool, isJPEG);
        QFETCH(QString, typed);
        QFETCH(QString, want);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QString seenTitle;
        QTimer::singleShot(50, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            seenTitle = dialog->windowTitle();
            if (typed.isEmpty()) {
                dialog->reject();
                return;
            }
            dialog->setDirectory(dir.path());
            dialog->findChild<QLineEdit*>("fileNameEdit")->setText(typed);
            QMetaObject::invokeMethod(dialog, "accept");
        });
        const auto path = app::AskSavePath(nullptr, app::SaveDialogFor(isJPEG));
        QCOMPARE(seenTitle, QString(isJPEG ? "Save JPG" : "Save DNG"));
        if (want.isEmpty()) {
            QVERIFY(!path);
        } else {
            QVERIFY(path);
            QCOMPARE(QString::fromStdString(*path), dir.filePath(want));
        }
    }
};

CLARIVANE_APP_TEST_MAIN(SaveDialogTest)
#include "save_dialog_test.moc"
