#include "app/picture_view.h"
#include "app_test_main.h"
#include "controls/class_blurpanel.h"
#include "controls/class_trackbarmouse.h"
#include "engine/class_fft.h"
#include "message_log.h"
#include "photo_folder.h"
#include "shown_window.h"

namespace {

QStringList ListedNames(const app::TFMain& window) {
    QStringList names;
    for (int i = 0; i < window.lvExplore->count(); ++i)
        names << window.lvExplore->item(i)->text();
    return names;
}

QStringList ChildTexts(const QTreeWidgetItem* node) {
    QStringList texts;
    for (int i = 0; i < node->childCount(); ++i)
        texts << node->child(i)->text(0);
    return texts;
}

void SelectListed(app::TFMain& window, const QString& name) {
    const QList<QListWidgetItem*> found = window.lvExplore->findItems(name, Qt::MatchExactly);
    QVERIFY2(found.size() == 1, qPrintable(name));
    window.lvExplore->setCurrentItem(found.first());
}

// What selecting a photo must show, beyond what its kind decides.
struct Selection {
    QString file;
    bool isJpeg, openEnabled, stripEnabled;
    QString status, model;
    bool thumbnail;
    int messages;
};

const QStringList kAllPhotos = {"a.dng",    "B.JPEG",          "cmyk.jpg",           "leica.DNG",
                                "sony.dng", "unsupported.dng", "without-preview.dng"};

// One icon for DNGs and one for everything else, each the same object every time.
class TwoIcons : public QAbstractFileIconProvider {
public:
    QIcon icon(const QFileInfo& info) const override {
        return info.suffix().compare("dng", Qt::CaseInsensitive) == 0 ? dng_ : other_;
    }
    using QAbstractFileIconProvider::icon;

private:
    static QIcon Filled(Qt::GlobalColor colour) {
        QPixmap square(16, 16);
        square.fill(colour);
        return QIcon(square);
    }
    QIcon dng_ = Filled(Qt::red);
    QIcon other_ = Filled(Qt::blue);
};

}  // namespace

class MainWindowBrowserTest : public QObject {
    Q_OBJECT

private slots:
    // The root node lists the home folder here: the sandbox has no desktop folder.
    void initTestCase() {
        home_ = QDir::homePath();
        photo_folder::WriteDng(home_, "a.dng", "Canon EOS 550D");
        photo_folder::WriteDng(home_, "leica.DNG", "LEICA T (Typ 701)");
        photo_folder::WriteDng(home_, "sony.dng", "Sony ILCE-7S");
        photo_folder::WriteDng(home_, "unsupported.dng", "Canon EOS 6D");
        photo_folder::WriteDng(home_, "without-preview.dng", "Canon EOS 550D", false);
        photo_folder::CopyJpeg(home_, "B.JPEG", "canon_eos_5d_mark_iii_720x480_rotate90.jpg");
        photo_folder::CopyJpeg(home_, "cmyk.jpg", "cmyk_adobe.jpg");
        photo_folder::Touch(home_, "c.tif");
        photo_folder::Touch(home_, "d.TIFF");
        QVERIFY(QDir(home_).mkpath("Alpha/inner"));
        QVERIFY(QDir(home_).mkpath("zeta"));
    }

    void filterChoosesWhatTheListShows_data() {
        QTest::addColumn<int>("filter");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("DNG & JPEG") << 0 << kAllPhotos;
        QTest::newRow("DNG only") << 1 << QStringList{"a.dng", "leica.DNG", "sony.dng", "unsupported.dng",
                                                      "without-preview.dng"};
        QTest::newRow("JPEG only") << 2 << QStringList{"B.JPEG", "cmyk.jpg"};
    }

    void filterChoosesWhatTheListShows() {
        QFETCH(int, filter);
        QFETCH(QStringList, names);
        ShownWindow window;
        QCOMPARE(ListedNames(*window), kAllPhotos);
        // A DNG opened, the circle button down: every per-photo control is on.
        SelectListed(*window, "a.dng");
        window->btCreatePreview->click();
        QVERIFY(window->imgPreview->HasPicture());
        window->btPercentage->click();
        window->sbDeblurCircle->click();
        QVERIFY(window->sbDeblurCircle->isChecked());
        QVERIFY(!window->cbHighQuality->isHidden());
        controls::BlurPanel* panel = window->blurPanel;
        panel->sbLineShapes->click();
        panel->tbRadius->setValue(5);
        panel->tbRadius->OnMouseUpEvent(panel->tbRadius);
        QCOMPARE(window->lbStat->text(), QString("on "));
        for (QWidget* control : std::initializer_list<QWidget*>{window->btPercentage, window->tbBrightness,
                                                                window->tbContrast})
            QVERIFY(control->isEnabled());

        window->cbFilter->setCurrentIndex(filter);
        if (filter == 0)
            window->cbFilterChange();
        QCOMPARE(ListedNames(*window), names);
        QStringList paths;
        for (const QString& name : names)
            paths << QDir(home_).filePath(name);
        QCOMPARE(window->filePaths, paths);
        QVERIFY(!window->imgPreview->HasPicture());
        QVERIFY(!window->img100->HasPicture());
        QVERIFY(!window->imgJPG->HasPicture());
        QCOMPARE(window->lbModel->text(), QString());
        QVERIFY(window->blurPanel->isHidden());
        QVERIFY(!window->btCreatePreview->isEnabled());
        QVERIFY(!window->btApplyDeblur->isEnabled());
        // With no photo shown the per-photo controls are as the window starts.
        QVERIFY(window->cbHighQuality->isHidden());
        QCOMPARE(window->crop.zoomPercent, 100);
        QCOMPARE(window->gbResult->title(), QString("100% - drag to move the image"));
        QVERIFY(!window->sbDeblurCircle->isChecked());
        QCOMPARE(window->lbStat->text(), QString("off "));
        for (QWidget* control : std::initializer_list<QWidget*>{window->btPercentage, window->sbDeblurCircle,
                                                                window->tbBrightness, window->tbContrast})
            QVERIFY2(!control->isEnabled(), qPrintable(control->objectName()));
    }

    void expansionLeavesTheListAndTheNextClickRefillsIt() {
        ShownWindow window;
        QTreeWidgetItem* root = window->tvExplore->topLevelItem(0);
        QCOMPARE(root->text(0), QString("Desktop"));
        QVERIFY(root->isExpanded());
        QCOMPARE(window->tvExplore->currentItem(), root);
        const QStringList rootChildren = ChildTexts(root);
        QCOMPARE(rootChildren.mid(0, 2), QStringList({"home", "/"}));

        const QString late = photo_folder::Touch(home_, "late.jpg");
        const QStringList before = ListedNames(*window);
        window->tvExploreExpanding(root);
        window->tvExploreClick();
        QCOMPARE(ListedNames(*window), before);
        window->tvExploreClick();
        QVERIFY(ListedNames(*window).contains("late.jpg"));

        // Clicking the expand button sends no click here: the next real click must refill.
        QFile::remove(late);
        window->tvExploreExpanding(root);
        QCoreApplication::processEvents();
        window->tvExploreClick();
        QVERIFY(!ListedNames(*window).contains("late.jpg"));

        QTreeWidgetItem* homeNode = root->child(0);
        QCOMPARE(homeNode->childCount(), 1);
        QCOMPARE(homeNode->child(0)->text(0), QString());
        homeNode->setExpanded(true);
        QCOMPARE(ChildTexts(homeNode), QStringList({"Alpha", "zeta"}));
        QCOMPARE(ChildTexts(homeNode->child(0)), QStringList({""}));
        QCOMPARE(homeNode->child(1)->childCount(), 0);

        window->tvExplore->setCurrentItem(homeNode->child(0));
        QCoreApplication::processEvents();
        window->tvExploreClick();
        QVERIFY(ListedNames(*window).isEmpty());
    }

    // A loaded JPEG shows its panel, zoom and preview at once; a DNG waits for
    // "Open DNG". Nothing of the previous photo stays: a photo without a
    // thumbnail of its own never shows the last one's, nor a refused one its model.
    void selectingAPhotoSetsTheControlsForItsKind_data() {
        QTest::addColumn<Selection>("s");
        const QString click = "Click 'Open DNG' to load the photo...";
        const QString initial = "Select a DNG or JPG on the left...";
        QTest::newRow("DNG") << Selection{"a.dng", false, true, false, click, "from: Canon EOS 550D", true, 0};
        QTest::newRow("JPEG in capitals")
            << Selection{"B.JPEG", true, false, true, initial, "24-bits per pixel JPG", true, 0};
        QTest::newRow("refused JPEG") << Selection{"cmyk.jpg", false, false, true, initial, "", false, 1};
        QTest::newRow("DNG without an embedded preview")
            << Selection{"without-preview.dng", false, true, false, click, "from: Canon EOS 550D", false, 0};
    }

    void selectingAPhotoSetsTheControlsForItsKind() {
        QFETCH(Selection, s);
        ShownWindow window;
        MessageLog log;
        // Per-photo state left from the previous photo.
        window->imgJPG->SetPicture(QImage(8, 8, QImage::Format_RGB32));
        window->lbModel->setText("from: Sony ILCE-7S");
        window->crop.zoomPercent = 200;
        window->gbResult->setTitle("200% - drag to move the image");
        window->lbCirclesCount->setText("2 circles");
        window->fftEngine->AddCircle(40, 50);
        window->blurPanel->grid->ClickCell(50, 50, false, 0x008000);
        window->sbDeblurCircle->setChecked(true);
        window->cbProfile->setCurrentIndex(2);
        window->img100->SetPicture(QImage(8, 8, QImage::Format_RGB32));

        SelectListed(*window, s.file);

        QCOMPARE(int(log.messages.size()), s.messages);
        QCOMPARE(window->isJPEG, s.isJpeg);
        QCOMPARE(window->crop.zoomPercent, 100);
        QCOMPARE(window->gbResult->title(), QString("100% - drag to move the image"));
        QCOMPARE(window->lbCirclesCount->text(), QString("-"));
        QVERIFY(window->fftEngine->circles.empty());
        QVERIFY(!window->blurPanel->grid->IsNotEmpty());
        QVERIFY(!window->sbDeblurCircle->isChecked());
        QCOMPARE(window->blurPanel->isHidden(), !s.isJpeg);
        QCOMPARE(window->lbStatus->isHidden(), s.isJpeg);
        QCOMPARE(window->btCreatePreview->isHidden(), s.isJpeg);
        QCOMPARE(window->img100->HasPicture(), s.isJpeg);
        QCOMPARE(window->imgPreview->HasPicture(), s.isJpeg);
        QCOMPARE(window->btPercentage->isEnabled(), s.isJpeg);
        QCOMPARE(window->sbDeblurCircle->isEnabled(), s.isJpeg);
        QCOMPARE(window->cbProfile->isEnabled(), !s.isJpeg);
        QCOMPARE(window->btCreatePreview->isEnabled(), s.openEnabled);
        QVERIFY(!window->btApplyDeblur->isEnabled());
        QCOMPARE(window->cbStripExif->isEnabled(), s.stripEnabled);
        if (s.isJpeg)
            QCOMPARE(window->cbProfile->currentIndex(), 0);
        QCOMPARE(window->lbStatus->text(), s.status);
        QCOMPARE(window->imgJPG->HasPicture(), s.thumbnail);
        QCOMPARE(window->lbModel->text(), s.model);
        QVERIFY(window->cbHighQuality->isHidden());
        for (auto* slider : {window->tbBrightness, window->tbContrast, window->tbCircleSize, window->tbCircleFeather})
            QVERIFY(!slider->isEnabled());
    }

    void lensDistortionNoteFollowsTheCamera_data() {
        QTest::addColumn<QStringList>("selections");
        QTest::addColumn<bool>("noteShown");
        QTest::newRow("Leica T, code 3") << QStringList{"leica.DNG"} << true;
        QTest::newRow("Sony A7S, code 32") << QStringList{"sony.dng"} << true;
        QTest::newRow("Canon 550D, code 12") << QStringList{"a.dng"} << false;
        QTest::newRow("Leica T, then a JPEG") << QStringList{"leica.DNG", "B.JPEG"} << false;
        QTest::newRow("JPEG, then Sony") << QStringList{"B.JPEG", "sony.dng"} << true;
    }

    void lensDistortionNoteFollowsTheCamera() {
        QFETCH(QStringList, selections);
        QFETCH(bool, noteShown);
        ShownWindow window;
        for (const QString& name : selections)
            SelectListed(*window, name);
        QCOMPARE(!window->lbLeicaTDistortion->isHidden(), noteShown);
    }

    void openDngOpensSupportedCamerasOnly_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("opened");
        QTest::addColumn<QString>("caption");
        QTest::newRow("supported") << "a.dng" << true << "";
        QTest::newRow("unsupported camera") << "unsupported.dng" << false << "Unsupported camera";
    }

    void openDngOpensSupportedCamerasOnly() {
        QFETCH(QString, file);
        QFETCH(bool, opened);
        QFETCH(QString, caption);
        ShownWindow window;
        MessageLog log;
        SelectListed(*window, file);
        QVERIFY(window->btCreatePreview->isEnabled());
        QTest::mouseClick(window->btCreatePreview, Qt::LeftButton);

        QCOMPARE(window->imgPreview->HasPicture(), opened);
        QCOMPARE(QString::fromStdString(log.messages.empty() ? "" : log.messages.back().caption), caption);
        if (opened) {
            QCOMPARE(window->lbStatus->text(), QString("Done..."));
            QVERIFY(window->lbStatus->isHidden());
        } else {
            QVERIFY(window->lbStatus->text() != "Done...");
        }
        // Shown whether or not the photo opened.
        QVERIFY(!window->blurPanel->isHidden());
        QVERIFY(!window->cbHighQuality->isHidden());
        QVERIFY(!window->btCreatePreview->isEnabled());
        QVERIFY(!window->cbProfile->isEnabled());
        QVERIFY(window->pbStatus->isHidden());
        QVERIFY(window->lvExplore->isEnabled());
        QVERIFY(window->tvExplore->isEnabled());
        // The zoom needs a photo behind it.
        QCOMPARE(window->btPercentage->isEnabled(), opened);
    }

    void kindsOtherThanDngOpenNothing_data() {
        QTest::addColumn<QString>("file");
        QTest::newRow("JPEG") << "B.JPEG";
        QTest::newRow("JPG") << "cmyk.jpg";
    }

    void kindsOtherThanDngOpenNothing() {
        QFETCH(QString, file);
        ShownWindow window;
        MessageLog log;
        SelectListed(*window, file);
        log.messages.clear();
        window->imgPreview->SetPicture(QImage(4, 4, QImage::Format_RGB32));
        QVERIFY(!window->OpenSelectedPhotos());
        QVERIFY(!window->imgPreview->HasPicture());
        QCOMPARE(window->lbStatus->text(), QString("Done..."));
        QVERIFY(log.messages.empty());
    }

    // Plug-in mode hides browsing and saving and shows the command-line photo;
    // only a DNG is opened, on the first resize and never again.
    void pluginModeShowsOnlyItsPhoto_data() {
        QTest::addColumn<bool>("pluginMode");
        QTest::addColumn<QString>("photo");
        QTest::newRow("regular") << false << "B.JPEG";
        QTest::newRow("plug-in, JPEG") << true << "B.JPEG";
        QTest::newRow("plug-in, DNG") << true << "a.dng";
    }

    void pluginModeShowsOnlyItsPhoto() {
        QFETCH(bool, pluginMode);
        QFETCH(QString, photo);
        const bool opensDng = pluginMode && photo.endsWith(".dng");
        MessageLog log;
        ShownWindow window(pluginMode, QDir(home_).filePath(photo));
        for (QWidget* part : {static_cast<QWidget*>(window->tvExplore), static_cast<QWidget*>(window->lvExplore),
                              static_cast<QWidget*>(window->cbFilter), static_cast<QWidget*>(window->gbExport),
                              window.Find<QWidget>("spMain"), window.Find<QWidget>("spMainImage")})
            QCOMPARE(part->isHidden(), pluginMode);
        QCOMPARE(window->Panel4->geometry(), pluginMode ? QRect(1, 1, 154, 671) : QRect(1, 552, 154, 120));
        QCOMPARE(window->tvExplore->topLevelItem(0)->text(0), QString("Desktop"));
        QCOMPARE(window->lvExplore->count() > 0, !pluginMode);
        QCOMPARE(window->isJPEG, pluginMode && !opensDng);
        QCOMPARE(window->plugInAutoOpened, opensDng);
        QCOMPARE(window->imgPreview->HasPicture(), pluginMode);
        QCOMPARE(window->cbHighQuality->isHidden(), !opensDng);
        QCOMPARE(window->lbStatus->text(), QString(opensDng ? "Done..." : "Select a DNG or JPG on the left..."));
        if (pluginMode) {
            QVERIFY(window->btCreatePreview->isHidden());
            QVERIFY(window->lbStatus->isHidden());
        }
        QVERIFY(log.messages.empty());

        window->imgPreview->ClearPicture();
        window->lbStatus->setText("after the first show");
        window->FormResize();
        QCoreApplication::processEvents();
        QVERIFY(!window->imgPreview->HasPicture());
        QCOMPARE(window->lbStatus->text(), QString("after the first show"));
    }

    void consecutiveItemsWithTheSameIconShareOneImage() {
        ShownWindow window;
        TwoIcons icons;
        window->iconProvider = &icons;
        const std::size_t before = window->exploreImages.size();
        window->FillFileList(home_);
        // a.dng, B.JPEG, cmyk.jpg, leica.DNG, sony.dng, unsupported.dng, without-preview.dng:
        // the icon changes between a.dng and B.JPEG, back at leica.DNG, and then stays.
        QCOMPARE(window->exploreImages.size() - before, std::size_t(3));
        QCOMPARE(window->lvExplore->item(1)->icon().cacheKey(), window->lvExplore->item(2)->icon().cacheKey());
        QCOMPARE(window->lvExplore->item(3)->icon().cacheKey(), window->lvExplore->item(5)->icon().cacheKey());
        QVERIFY(window->lvExplore->item(0)->icon().cacheKey() != window->lvExplore->item(1)->icon().cacheKey());
        window->iconProvider = nullptr;
    }

private:
    QString home_;
};

CLARIVANE_APP_TEST_MAIN(MainWindowBrowserTest)
#include "main_window_browser_test.moc"
