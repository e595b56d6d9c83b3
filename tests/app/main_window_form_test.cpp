#include "app/picture_view.h"
#include "app/program_icon.h"
#include "app/web_addresses.h"
#include "app_test_main.h"
#include "controls/class_blurpanel.h"
#include "controls/class_trackbarmouse.h"
#include "engine/class_fft.h"
#include "shown_window.h"
#include "tests/controls/mouse_input.h"
#include "url_catcher.h"

using app::TFMain;

namespace {

QString CaptionOf(const QWidget* widget) {
    if (auto* label = qobject_cast<const QLabel*>(widget))
        return label->text();
    if (auto* button = qobject_cast<const QAbstractButton*>(widget))
        return button->text();
    if (auto* group = qobject_cast<const QGroupBox*>(widget))
        return group->title();
    if (auto* combo = qobject_cast<const QComboBox*>(widget))
        return combo->currentText();
    return QString();
}

// Room the caption has on one line inside the component, or -1 when it may wrap.
int CaptionRoom(const QWidget* widget) {
    if (auto* label = qobject_cast<const QLabel*>(widget))
        return label->wordWrap() ? -1 : widget->width();
    if (qobject_cast<const QCheckBox*>(widget))
        return widget->width() - 20;
    if (qobject_cast<const QGroupBox*>(widget))
        return widget->width() - 12;
    if (qobject_cast<const QAbstractButton*>(widget))
        return widget->width() - 6;
    return -1;
}

}  // namespace

class MainWindowFormTest : public QObject {
    Q_OBJECT

private slots:
    void everyComponentStartsWhereTheFormPutsIt_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("parent");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<bool>("enabled");
        auto row = [](const char* name, const char* parent, QRect geometry, const QString& caption = QString(),
                      bool shown = true, bool enabled = true) {
            QTest::newRow(name) << QString(name) << QString(parent) << geometry << caption << shown << enabled;
        };
        row("Panel1", "", {0, 0, 1018, 673});
        row("Panel3", "Panel1", {0, 0, 156, 673});
        row("Splitter2", "Panel1", {156, 0, 3, 673});
        row("tvExplore", "Panel3", {1, 1, 154, 256});
        row("spMain", "Panel3", {1, 257, 154, 3});
        row("cbFilter", "Panel3", {1, 260, 154, 24}, "DNG & JPEG");
        row("lvExplore", "Panel3", {1, 284, 154, 265});
        row("spMainImage", "Panel3", {1, 549, 154, 3});
        row("Panel4", "Panel3", {1, 552, 154, 120});
        row("imgJPG", "Panel4", {7, 6, 141, 89});
        row("lbModel", "Panel4", {7, 102, 138, 13}, "");
        row("pnMain", "Panel1", {159, 0, 859, 673});
        row("gbSettings", "pnMain", {8, 2, 445, 53},
            "Settings (only apply to this preview, not to the final result - only for DNG) ");
        row("cbProfile", "gbSettings", {8, 21, 93, 23}, "sRGB");
        row("Label1", "gbSettings", {113, 24, 59, 15}, "Brightness");
        row("tbBrightnessStub", "gbSettings", {172, 22, 100, 22}, "", false);
        row("Label2", "gbSettings", {287, 24, 51, 15}, "Contrast");
        row("tbContrastStub", "gbSettings", {338, 22, 100, 22}, "", false);
        row("GroupBox1", "pnMain", {459, 2, 392, 53}, "Deblur status");
        row("lbCirclesCount", "GroupBox1", {12, 24, 145, 16}, "-");
        row("tbTest", "GroupBox1", {44, 22, 228, 22}, "", false);
        row("lbStat", "GroupBox1", {157, 24, 206, 16}, "off ");
        row("shDB", "GroupBox1", {371, 26, 13, 13});
        row("gbPreview", "pnMain", {8, 55, 352, 254}, "Preview... click or drag in the picture for a 100%/200% crop");
        row("imgPreview", "gbPreview", {8, 21, 336, 224});
        row("gbResult", "pnMain", {365, 55, 486, 533}, "100% - drag to move the image");
        row("img100", "gbResult", {8, 21, 472, 472});
        row("imgCircles", "gbResult", {8, 21, 472, 472});
        row("lbLeicaTDistortion", "gbResult", {26, 34, 431, 97},
            "Please note: The Leica T DNGs and Sony A7s DNGs use a DNG opcode to correct for lens distortion. "
            "Clarivane shows the uncorrected version, but the opcode is preserved in the deblurred result.",
            false);
        row("btPercentage", "gbResult", {8, 500, 75, 25}, "100/200%", true, false);
        row("sbDeblurCircle", "gbResult", {92, 500, 28, 25}, "", true, false);
        row("Label4", "gbResult", {129, 505, 25, 15}, "Size");
        row("Label5", "gbResult", {238, 505, 47, 15}, "Feather");
        row("sbUnselect", "gbResult", {376, 500, 28, 25}, "", true, false);
        row("sbDeblurCircleDelete", "gbResult", {406, 500, 28, 25}, "", true, false);
        row("cbHighQuality", "pnMain", {9, 561, 343, 17},
            "Three plane method - best on larger blur and high iso [slow]", false);
        row("gbExecute", "pnMain", {8, 587, 352, 80}, "Execute");
        row("lbStatus", "gbExecute", {14, 20, 295, 17}, "Select a DNG or JPG on the left...");
        row("pbStatus", "gbExecute", {138, 23, 204, 10}, "", false);
        row("btCreatePreview", "gbExecute", {12, 45, 115, 25}, "Open DNG", true, false);
        row("btApplyDeblur", "gbExecute", {227, 46, 115, 25}, "Create final result", true, false);
        row("gbExport", "pnMain", {365, 587, 405, 80}, "Save deblurred result");
        row("cbAutoSave", "gbExport", {14, 19, 127, 17}, "Auto save final result");
        row("cbStripExif", "gbExport", {14, 39, 185, 17}, "Strip EXIF (if any) from JPEG");
        row("lbLastSaved", "gbExport", {155, 18, 244, 17}, "[saved: ]", false);
        row("lbFolder", "gbExport", {14, 58, 348, 17}, "[specify folder]", true, false);
        row("sbBrowse", "gbExport", {376, 54, 23, 22}, "", false);
        row("btUpdate", "pnMain", {778, 594, 73, 23}, "Update?");
        row("btAbout", "pnMain", {778, 618, 73, 23}, "About...");
        row("btClose", "pnMain", {778, 643, 73, 23}, "Close");
        // Made by the first show.
        row("tbCircleSize", "gbResult", {152, 503, 80, 22}, "", true, false);
        row("tbCircleFeather", "gbResult", {282, 503, 80, 22}, "", true, false);
        row("tbBrightness", "gbSettings", {172, 22, 100, 22}, "", true, false);
        row("tbContrast", "gbSettings", {338, 22, 100, 22}, "", true, false);
        row("blurPanel", "pnMain", {10, 316, 350, 237}, "", false);
    }

    void everyComponentStartsWhereTheFormPutsIt() {
        QFETCH(QString, name);
        QFETCH(QString, parent);
        QFETCH(QRect, geometry);
        QFETCH(QString, caption);
        QFETCH(bool, shown);
        QFETCH(bool, enabled);

        auto* component = window_.Find<QWidget>(name);
        QVERIFY2(component, "no component of that name");
        const QString parentName = component->parentWidget() == window_.window.get()
                                       ? QString()
                                       : component->parentWidget()->objectName();
        QCOMPARE(parentName, parent);
        QCOMPARE(component->geometry(), geometry);
        QCOMPARE(CaptionOf(component), caption);
        QCOMPARE(!component->isHidden(), shown);
        QCOMPARE(component->isEnabled(), enabled);
        const int room = CaptionRoom(component);
        if (room >= 0)
            QVERIFY2(component->fontMetrics().horizontalAdvance(caption) <= room,
                     qPrintable(QString("the caption needs %1 of %2 pixels in %3")
                                    .arg(component->fontMetrics().horizontalAdvance(caption))
                                    .arg(room)
                                    .arg(QFontInfo(component->font()).family())));
    }

    void windowIsFixedAndTitled() {
        QCOMPARE(window_->windowTitle(), QString("Clarivane"));
        QCOMPARE(window_->size(), QSize(TFMain::kClientWidth, TFMain::kClientHeight));
        QCOMPARE(window_->minimumSize(), window_->maximumSize());
        QCOMPARE(window_->font().pixelSize(), 11);
        QCOMPARE(window_->lbModel->font().pixelSize(), 9);
        QCOMPARE(window_->lbLeicaTDistortion->font().pixelSize(), 12);
    }

    void listsAndHintsHoldTheirEntries() {
        auto items = [](QComboBox* box) {
            QStringList texts;
            for (int i = 0; i < box->count(); ++i)
                texts << box->itemText(i);
            return texts;
        };
        QCOMPARE(items(window_->cbFilter), QStringList({"DNG & JPEG", "DNG only", "JPEG only"}));
        QCOMPARE(items(window_->cbProfile), QStringList({"sRGB", "AdobeRGB", "ColorMatch", "ProPhoto"}));
        QCOMPARE(window_->sbBrowse->toolTip(), QString("Browse for folder to store monochrome DNGs in..."));
        QCOMPARE(window_->sbDeblurCircle->toolTip(), QString("Place or select deblur circle"));
        QCOMPARE(window_->actionUnselectCircle->toolTip(), QString("Unselect selected circle"));
        QCOMPARE(window_->actionDeleteCircle->toolTip(), QString("Delete selected circle"));
        QVERIFY(window_->sbDeblurCircle->isCheckable());
        QCOMPARE(window_->imgPreview->cursor().shape(), Qt::PointingHandCursor);
        QCOMPARE(window_->imgCircles->cursor().shape(), Qt::PointingHandCursor);
    }

    void slidersStartAtTheirRangesAndPositions() {
        const struct {
            const char* name;
            int minimum, maximum, position;
        } sliders[] = {{"tbCircleSize", 20, 1000, 200},
                       {"tbCircleFeather", 0, 80, 20},
                       {"tbBrightness", -75, 75, 0},
                       {"tbContrast", -75, 75, 0}};  // not the stub's 0..8
        for (const auto& s : sliders) {
            auto* slider = window_->findChild<controls::TTrackBarMouse*>(s.name);
            QVERIFY2(slider, s.name);
            QCOMPARE(QList<int>({slider->minimum(), slider->maximum(), slider->value(), slider->pageStep()}),
                     QList<int>({s.minimum, s.maximum, s.position, 1}));
        }
    }

    void circleOverlayStartsAllSeeThroughGrey() {
        const platform::Bitmap& overlay = window_->imgCircles->Bitmap();
        QCOMPARE(overlay.Width(), 472);
        QCOMPARE(overlay.Height(), 472);
        for (int y : {0, 235, 471})
            for (int x : {0, 1, 236, 471})
                QCOMPARE(overlay.Pixel(x, y), 0x808080u);
        QVERIFY(window_->imgCircles->transparentColor.has_value());
        QCOMPARE(window_->imgCircles->transparentColor->rgb() & 0xFFFFFF, 0x808080u);
        QCOMPARE(window_->fftEngine->kernelPanel, static_cast<engine::KernelGridSource*>(window_->blurPanel->grid));
    }

    void aboutBoxShowsTheVersionAndTheRealCredits() {
        app::TFAbout& about = *window_.about;
        QCOMPARE(about.lbAbout->text(), QString("Clarivane - Version 1.1.0"));
        QCOMPARE(about.size(), QSize(444, 229));
        QCOMPARE(about.btClose->geometry(), QRect(359, 196, 75, 25));
        const QString credits = about.Label1->text() + ' ' + about.Label2->text() + ' ' + about.Label3->text();
        for (const char* used : {"Qt", "libjpeg-turbo", "FFTW 3", "Nettle", "own"})
            QVERIFY2(credits.contains(used), used);
        for (const char* notUsed : {"Adobe", "SDK", "JHead"})
            QVERIFY2(!credits.contains(notUsed), notUsed);
        // The icon keeps its transparency: its empty corner shows the box's
        // own background, its disc the icon's colour.
        const QImage shown = about.grab().toImage();
        const QImage icon = app::ProgramIcon();
        const QPoint origin = about.Image1->pos();
        QCOMPARE(icon.pixelColor(47, 0).alpha(), 0);
        QCOMPARE(shown.pixel(origin + QPoint(47, 0)) & RGB_MASK, shown.pixel(2, 2) & RGB_MASK);
        QCOMPARE(shown.pixel(origin + QPoint(18, 18)) & RGB_MASK, icon.pixel(18, 18) & RGB_MASK);
        for (QLabel* label : {about.Label1, about.Label2, about.Label3}) {
            QVERIFY(label->font().italic());
            const QRect needed = label->fontMetrics().boundingRect(QRect(0, 0, label->width(), 1000),
                                                                    Qt::TextWordWrap, label->text());
            QVERIFY2(needed.height() <= label->height() && needed.width() <= label->width(), "credit line cut");
        }
    }

    void enableControlsLeavesLabelsAndDngExifAlone_data() {
        QTest::addColumn<bool>("isJpeg");
        QTest::addColumn<bool>("enabled");
        for (const bool isJpeg : {true, false})
            for (const bool enabled : {true, false})
                QTest::addRow("%s, %s", isJpeg ? "JPEG" : "DNG", enabled ? "enabling" : "disabling")
                    << isJpeg << enabled;
    }

    void enableControlsLeavesLabelsAndDngExifAlone() {
        QFETCH(bool, isJpeg);
        QFETCH(bool, enabled);
        ShownWindow window;
        window->isJPEG = isJpeg;
        // A photo's preview is shown: zoom and circles have something to act on.
        window->imgPreview->SetPicture(QImage(600, 400, QImage::Format_RGB32));
        // Labels keep whatever state they had, each way round.
        window->Label1->setEnabled(false);
        window->lbFolder->setEnabled(true);
        window->lbLastSaved->setEnabled(false);
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.window.get()));
        window->EnableControls(!enabled);
        window->btUpdate->setFocus();
        window->EnableControls(enabled);

        // Enabling moves the focus to the list; disabling leaves it where it was.
        QCOMPARE(QApplication::focusWidget(), enabled ? static_cast<QWidget*>(window->lvExplore) : window->btUpdate);
        QCOMPARE(window->cbStripExif->isEnabled(), enabled && isJpeg);
        for (QWidget* control :
             std::initializer_list<QWidget*>{window->tvExplore, window->lvExplore, window->cbAutoSave, window->sbBrowse,
                                             window->btPercentage, window->sbDeblurCircle, window->btCreatePreview})
            QVERIFY2(control->isEnabled() == enabled, qPrintable(control->objectName()));
        // The DNG-only settings never come on for a JPEG.
        for (QWidget* control :
             std::initializer_list<QWidget*>{window->cbProfile, window->tbBrightness, window->tbContrast})
            QVERIFY2(control->isEnabled() == (enabled && !isJpeg), qPrintable(control->objectName()));
        QVERIFY(!window->Label1->isEnabled());
        QVERIFY(window->Label2->isEnabled());
        QVERIFY(window->lbFolder->isEnabled());
        QVERIFY(!window->lbLastSaved->isEnabled());
        // Not part of the browser or the working controls.
        QVERIFY(window->btUpdate->isEnabled());
        QVERIFY(!window->tbCircleSize->isEnabled());
        QVERIFY(!window->btApplyDeblur->isEnabled());
    }

    void splittersResizeTheBrowserPanesWithinTheirLimits_data() {
        QTest::addColumn<QString>("splitter");
        QTest::addColumn<int>("distance");
        QTest::addColumn<int>("treeHeight");
        QTest::addColumn<int>("listHeight");
        // 673 rows: 2 of border, 6 of splitters, 24 of filter and at least 50 for the preview panel.
        QTest::newRow("tree taller") << "spMain" << 40 << 296 << 265;
        QTest::newRow("tree at its minimum") << "spMain" << -300 << 50 << 265;
        QTest::newRow("tree up to the list") << "spMain" << 1000 << 326 << 265;
        QTest::newRow("list shorter") << "spMainImage" << -65 << 256 << 200;
        QTest::newRow("list up to the preview panel") << "spMainImage" << 500 << 256 << 335;
    }

    void splittersResizeTheBrowserPanesWithinTheirLimits() {
        QFETCH(QString, splitter);
        QFETCH(int, distance);
        QFETCH(int, treeHeight);
        QFETCH(int, listHeight);
        ShownWindow window;
        auto* bar = window.Find<QWidget>(splitter);
        QVERIFY(bar);
        const QPoint grip(bar->width() / 2, 1);
        mouse_input::Press(bar, grip);
        mouse_input::Move(bar, grip + QPoint(0, distance));
        mouse_input::Release(bar, grip + QPoint(0, distance));

        QCOMPARE(window->tvExplore->height(), treeHeight);
        QCOMPARE(window->lvExplore->height(), listHeight);
        QCOMPARE(window->cbFilter->y(), 1 + treeHeight + 3);
        QCOMPARE(window->lvExplore->y(), window->cbFilter->y() + 24);
        QCOMPARE(window->Panel4->y(), window->lvExplore->y() + listHeight + 3);
        QCOMPARE(window->Panel4->y() + window->Panel4->height(), 672);
        QVERIFY(window->Panel4->height() >= 50);
    }

    void aboutLinkOpensTheProductPageAndLeavesTheBoxOpen() {
        UrlCatcher catcher;
        window_.about->show();
        window_.about->LinkLabel1LinkClick();
        QCOMPARE(catcher.opened, QList<QUrl>{QUrl(app::ProductPageUrl())});
        QVERIFY(window_.about->isVisible());
        QVERIFY(window_.about->LinkLabel1->text().contains(app::ProductPageUrl()));
        window_.about->btClose->click();
        QVERIFY(!window_.about->isVisible());
    }

private:
    ShownWindow window_;
};

CLARIVANE_APP_TEST_MAIN(MainWindowFormTest)
#include "main_window_form_test.moc"
