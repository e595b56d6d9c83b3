#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "app/photo_files.h"

using namespace app;

class PhotoFilesTest : public QObject {
    Q_OBJECT

private slots:
    void filterTable_data() {
        QTest::addColumn<QString>("extension");
        QTest::addColumn<bool>("both");
        QTest::addColumn<bool>("dngOnly");
        QTest::addColumn<bool>("jpegOnly");
        QTest::newRow(".dng") << ".dng" << true << true << false;
        QTest::newRow(".DNG") << ".DNG" << true << true << false;
        QTest::newRow(".jpg") << ".jpg" << true << false << true;
        QTest::newRow(".JPEG") << ".JPEG" << true << false << true;
        QTest::newRow(".Jpeg") << ".Jpeg" << true << false << true;
        QTest::newRow(".tif") << ".tif" << false << false << false;
        QTest::newRow(".tiff") << ".tiff" << false << false << false;
        QTest::newRow("no dot") << "dng" << false << false << false;
        QTest::newRow(".dng.bak") << ".bak" << false << false << false;
    }

    void filterTable() {
        QFETCH(QString, extension);
        QFETCH(bool, both);
        QFETCH(bool, dngOnly);
        QFETCH(bool, jpegOnly);
        QCOMPARE(FilterAccepts(PhotoFilter::DngAndJpeg, extension), both);
        QCOMPARE(FilterAccepts(PhotoFilter::DngOnly, extension), dngOnly);
        QCOMPARE(FilterAccepts(PhotoFilter::JpegOnly, extension), jpegOnly);
    }

    void fileKinds_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("kind");
        QTest::newRow("jpg") << "/p/a.jpg" << 0;
        QTest::newRow("JPG") << "/p/a.JPG" << 0;
        QTest::newRow("jpeg is other") << "/p/a.jpeg" << 3;
        QTest::newRow("tif") << "/p/a.tif" << 1;
        QTest::newRow("TIFF") << "/p/a.TIFF" << 1;
        QTest::newRow("dng") << "/p/a.DnG" << 2;
        QTest::newRow("ends in dng without dot") << "/p/adng" << 2;
        QTest::newRow("other") << "/p/a.png" << 3;
    }

    void fileKinds() {
        QFETCH(QString, path);
        QFETCH(int, kind);
        QCOMPARE(int(FileKind(path)), kind);
    }

    // Which extensions each filter takes is the table above's test; that the
    // list applies the chosen filter is the browser window's.
    void listsTheFolderFilteredAndSorted() {
        QTemporaryDir folder;
        for (const char* name : {"d.DNG", "c.jpg", "a.dng", "B.JPEG", "e.tif", "f.TIFF", "g.png", ".hidden.jpg"}) {
            QFile file(folder.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QVERIFY(QDir(folder.path()).mkdir("sub.dng"));
        const QList<ListedFile> listed = ListPhotoFiles(folder.path(), PhotoFilter::DngAndJpeg);
        QStringList listedNames;
        for (const ListedFile& file : listed) {
            listedNames << file.name;
            QCOMPARE(file.path, folder.filePath(file.name));
        }
        QCOMPARE(listedNames, QStringList({"a.dng", "B.JPEG", "c.jpg", "d.DNG"}));
    }

    void subfoldersAreSortedAndHiddenOnesLeftOut() {
        QTemporaryDir folder;
        for (const char* name : {"zeta", "Alpha", "mid/inner", ".secret"})
            QVERIFY(QDir(folder.path()).mkpath(name));
        QFile plain(folder.filePath("file.dng"));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        QStringList names;
        for (const ListedFile& subfolder : ListSubfolders(folder.path())) {
            names << subfolder.name;
            QCOMPARE(subfolder.path, folder.filePath(subfolder.name));
        }
        QCOMPARE(names, QStringList({"Alpha", "mid", "zeta"}));
        QVERIFY(HasSubfolder(folder.filePath("mid")));
        QVERIFY(!HasSubfolder(folder.filePath("zeta")));
    }
};

QTEST_APPLESS_MAIN(PhotoFilesTest)
#include "photo_files_test.moc"
