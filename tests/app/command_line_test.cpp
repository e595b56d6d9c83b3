#include <QtTest>

#include "app/command_line.h"

using namespace app;

class CommandLineTest : public QObject {
    Q_OBJECT

private slots:
    void readsModeAndPhoto_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("pluginMode");
        QTest::addColumn<QString>("photo");
        QTest::addColumn<bool>("asks");

        QTest::newRow("no arguments") << QStringList{} << false << "" << false;
        QTest::newRow("quoted as a whole") << QStringList{"\"-lrpluginmode#/photos/a.dng\""} << true
                                           << "/photos/a.dng" << false;
        QTest::newRow("unquoted") << QStringList{"-lrpluginmode#/photos/a.jpg"} << true << "/photos/a.jpg" << false;
        QTest::newRow("capital extension asks nothing") << QStringList{"-lrpluginmode#/photos/A.DNG"} << true
                                                        << "/photos/A.DNG" << false;
        // ".jpeg" in any case is a JPEG, as the browser takes it; only the whole ending with its dot.
        for (const char* photo : {"/photos/a.jpeg", "/photos/a.JPEG", "/photos/a.Jpeg", "/p/x.jpg.jPeG"})
            QTest::addRow("%s asks nothing", photo) << QStringList{QString("-lrpluginmode#") + photo} << true
                                                    << photo << false;
        for (const char* photo : {"/photos/a.peg", "/photos/ajpeg", "/photos/jpeg.txt", "/photos/a.jpeg ",
                                  "/photos/a.png", "/photos/a.jpe"})
            QTest::addRow("%s asks", photo) << QStringList{QString("-lrpluginmode#") + photo} << true << photo
                                            << true;
        QTest::newRow("tiff asks") << QStringList{"-lrpluginmode#/photos/a.tif"} << true << "/photos/a.tif" << true;
        QTest::newRow("keyword in capitals") << QStringList{"-LRPLUGINMODE#/photos/a.dng"} << false << "" << false;
        QTest::newRow("bare path") << QStringList{"/photos/a.dng"} << false << "" << false;
        QTest::newRow("hash inside the path") << QStringList{"-lrpluginmode#/a#b.dng"} << true << "/a#b.dng"
                                              << false;
        QTest::newRow("path with blanks in pieces") << QStringList{"-lrpluginmode#/My", "Photos/a", "b.dng"}
                                                    << true << "/My Photos/a b.dng" << false;
        QTest::newRow("only the closing quote") << QStringList{"-lrpluginmode#/p/a.dng\""} << true << "/p/a.dng"
                                                << false;
        QTest::newRow("only the opening quote") << QStringList{"\"-lrpluginmode#/p/a.dng"} << true << "/p/a.dng"
                                                << false;
        QTest::newRow("quote inside stays") << QStringList{"-lrpluginmode#/p/\"a.dng"} << true << "/p/\"a.dng"
                                            << false;
        QTest::newRow("keyword with something before it") << QStringList{"x-lrpluginmode#/p/a.dng"} << false << ""
                                                          << false;
        QTest::newRow("keyword without separator") << QStringList{"-lrpluginmode"} << false << "" << false;
        QTest::newRow("keyword and nothing after") << QStringList{"-lrpluginmode#"} << true << "" << true;
    }

    void readsModeAndPhoto() {
        QFETCH(QStringList, arguments);
        QFETCH(bool, pluginMode);
        QFETCH(QString, photo);
        QFETCH(bool, asks);
        const CommandLine line = ParseCommandLine(JoinArguments(arguments));
        QCOMPARE(line.pluginMode, pluginMode);
        QCOMPARE(line.fileToOpen, photo);
        if (pluginMode)
            QCOMPARE(NeedsFormatQuestion(line.fileToOpen), asks);
    }
};

QTEST_APPLESS_MAIN(CommandLineTest)
#include "command_line_test.moc"
