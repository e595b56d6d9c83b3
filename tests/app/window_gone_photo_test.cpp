// A photo that is gone when the window reaches for it: listed and then deleted, or named on a
// plug-in start and never there. Each message keeps its fixed text and adds the photo's path and
// the system's reason.
#include "app_test_main.h"
#include "window_fixture.h"

using windowtest::Window;

namespace {

enum class Gone { BeforeSelecting, BeforeOpening, AtPluginStart };

struct GoneCase {
    QString name;
    Gone when;
    QStringList texts;  // the fixed texts of the messages, in the order they come
};

const char* const kDngPreview = "Whoa... that's a bug...\n\nFailed to process the preview of this DNG...";
const char* const kDngOpen = "Whoa... that's a bug...\n\nFailed to process this DNG...";
const char* const kJpegPreview = "Whoa... that's a bug...\n\nFailed to process the preview of this JPG...";

}  // namespace

Q_DECLARE_METATYPE(GoneCase)

class WindowGonePhotoTest : public QObject {
    Q_OBJECT

private slots:
    void init() { QFile::remove(SettingsFilePath()); }

    void eachMessageNamesThePhotoAndTheReason_data() {
        QTest::addColumn<GoneCase>("c");
        QTest::newRow("listed DNG deleted, then selected")
            << GoneCase{"photo.dng", Gone::BeforeSelecting, {kDngPreview}};
        QTest::newRow("listed DNG selected, deleted, then Open DNG")
            << GoneCase{"photo.dng", Gone::BeforeOpening, {kDngOpen}};
        QTest::newRow("listed JPEG deleted, then selected")
            << GoneCase{"photo.jpg", Gone::BeforeSelecting, {kJpegPreview}};
        QTest::newRow("missing plug-in DNG") << GoneCase{"shot.dng", Gone::AtPluginStart, {kDngPreview, kDngOpen}};
        QTest::newRow("missing plug-in JPEG") << GoneCase{"shot.JPG", Gone::AtPluginStart, {kJpegPreview}};
    }

    void eachMessageNamesThePhotoAndTheReason() {
        QFETCH(GoneCase, c);
        test_support::TempFolder photos;
        const QString path = QString::fromStdString(photos.File(c.name.toStdString()));
        const bool plugin = c.when == Gone::AtPluginStart;
        Window w(plugin, plugin ? path : QString());
        if (!plugin) {
            const QString listed = c.name.endsWith(".dng") ? w.AddDng(c.name, 64, 48) : w.AddJpeg(c.name);
            w->FillFileList(QString::fromStdString(w.folder.Path()));
            const auto items = w->lvExplore->findItems(c.name, Qt::MatchExactly);
            QCOMPARE(items.size(), 1);
            if (c.when == Gone::BeforeSelecting) QVERIFY(QFile::remove(listed));
            w->lvExplore->setCurrentItem(items.first());
            if (c.when == Gone::BeforeOpening) {
                QVERIFY(w.messages.messages.empty());
                QVERIFY(QFile::remove(listed));
                w->btCreatePreview->click();
            }
        }
        const QString photo = plugin ? path : QString::fromStdString(w.folder.File(c.name.toStdString()));

        QStringList shown;
        for (const MessageLog::Message& m : w.messages.messages) {
            shown << QString::fromStdString(m.text);
            QCOMPARE(QString::fromStdString(m.caption), QString("Clarivane error"));
            QCOMPARE(m.flags, unsigned(platform::MB_OK | platform::MB_ICONWARNING));
        }
        QStringList expected;
        for (const QString& text : c.texts) expected << text + "\n\n" + photo + "\nNo such file or directory";
        QCOMPARE(shown, expected);
    }
};

CLARIVANE_APP_TEST_MAIN(WindowGonePhotoTest)
#include "window_gone_photo_test.moc"
