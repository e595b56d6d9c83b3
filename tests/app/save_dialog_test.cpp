#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "app/save_dialog.h"

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
        const bool chosen = app::SaveWithDialog(
            nullptr, isJPEG, "/photos/source.dng", lastSavedName,
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

QTEST_MAIN(SaveDialogTest)
#include "save_dialog_test.moc"
