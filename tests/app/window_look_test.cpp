// Where the windows open and how disabled controls look, on three offscreen
// screens side by side: one larger than the main window, one lower down, one
// smaller than the main window. The platform adds them in the order of their
// names; the first is the primary screen.
#include <map>

#include "app/dir_dialog.h"
#include "app_test_main.h"
#include "window_fixture.h"

using app::TFMain;
using windowtest::Window;

namespace {

const char* const kScreens = R"({"screens": [
    {"name": "1 wide", "x": 0, "y": 0, "width": 1281, "height": 1023},
    {"name": "2 lower", "x": 1281, "y": 57, "width": 1601, "height": 899},
    {"name": "3 small", "x": 2882, "y": 0, "width": 800, "height": 600}]})";

// Twice the centre, so an odd size needs no rounding.
QPoint DoubleCentre(const QRect& r) { return {2 * r.x() + r.width(), 2 * r.y() + r.height()}; }

// A window smaller than the area sits in its middle (within a pixel); a
// larger one keeps its top-left corner in the area's.
void VerifyCentredOrCornered(const QRect& frame, const QRect& area) {
    if (frame.width() > area.width()) {
        QCOMPARE(frame.topLeft(), area.topLeft());
        return;
    }
    const QPoint offset = DoubleCentre(frame) - DoubleCentre(area);
    QVERIFY2(std::abs(offset.x()) <= 1 && std::abs(offset.y()) <= 1,
             qPrintable(QString("frame centre off by %1, %2 half pixels").arg(offset.x()).arg(offset.y())));
}

// Where a caption is drawn: beside a check box's indicator, or the whole label.
QRect CaptionArea(QWidget* control) {
    auto* box = qobject_cast<QCheckBox*>(control);
    if (!box)
        return control->rect();
    QStyleOptionButton option;
    option.initFrom(box);
    option.text = box->text();
    return box->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, box);
}

int DarkestGrey(const QImage& image, const QRect& area) {
    int darkest = 255;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            darkest = std::min(darkest, qGray(image.pixel(x, y)));
    return darkest;
}

qsizetype DifferentPixels(const QImage& a, const QImage& b) {
    qsizetype count = 0;
    for (int y = 0; y < std::min(a.height(), b.height()); ++y)
        for (int x = 0; x < std::min(a.width(), b.width()); ++x)
            count += a.pixel(x, y) != b.pixel(x, y);
    return count;
}

// Grabs of one control, the first seen in each enabled state.
class Looks {
public:
    explicit Looks(QWidget* control) : control_(control) {}
    void Take() {
        if (control_->isVisible() && !grabs_.count(control_->isEnabled()))
            grabs_[control_->isEnabled()] = control_->grab().toImage();
    }
    QImage Of(bool enabled) const {
        const auto found = grabs_.find(enabled);
        return found == grabs_.end() ? QImage() : found->second;
    }

private:
    QWidget* control_;
    std::map<bool, QImage> grabs_;
};

}  // namespace

class WindowLookTest : public QObject {
    Q_OBJECT

private slots:
    void firstShowCentresTheWindowOnItsScreen_data() {
        QTest::addColumn<int>("screen");
        QTest::newRow("primary, larger than the window") << 0;
        QTest::newRow("beside it, lower down") << 1;
        QTest::newRow("smaller than the window") << 2;
    }

    void firstShowCentresTheWindowOnItsScreen() {
        QFETCH(int, screen);
        QScreen* target = QGuiApplication::screens().at(screen);
        ShownWindow window(false, QString(), target);
        QVERIFY(window.exposed);
        QCOMPARE(window->screen(), target);
        QCOMPARE(window->size(), QSize(TFMain::kClientWidth, TFMain::kClientHeight));
        VerifyCentredOrCornered(window->frameGeometry(), target->availableGeometry());
    }

    // The box opens in the middle of the main window's screen wherever the
    // main window stands, and again after it was moved and closed.
    void aboutBoxOpensCentredOnTheScreen_data() {
        QTest::addColumn<int>("screen");
        QTest::addColumn<QPoint>("mainWindowAt");
        QTest::newRow("main window dragged near the corner") << 0 << QPoint(23, 31);
        QTest::newRow("main window on the lower screen, dragged right") << 1 << QPoint(561, 190);
        QTest::newRow("main window in the corner of a small screen") << 2 << QPoint(0, 0);
    }

    void aboutBoxOpensCentredOnTheScreen() {
        QFETCH(int, screen);
        QFETCH(QPoint, mainWindowAt);
        QScreen* target = QGuiApplication::screens().at(screen);
        const QRect area = target->availableGeometry();
        ShownWindow window(false, QString(), target);
        window->move(area.topLeft() + mainWindowAt);
        QTRY_COMPARE(window->frameGeometry().topLeft(), area.topLeft() + mainWindowAt);
        // Centred on the main window would be somewhere else.
        QVERIFY((DoubleCentre(window->frameGeometry()) - DoubleCentre(area)).manhattanLength() > 100);

        app::TFAbout* about = window.about.get();
        for (const char* opening : {"first", "after a move"}) {
            QRect seen;
            QTimer::singleShot(0, about, [&] {
                if (about->isVisible())
                    seen = about->frameGeometry();
                about->move(about->pos() + QPoint(40, -25));
                about->btClose->click();
            });
            QTest::mouseClick(window->btAbout, Qt::LeftButton);
            QVERIFY2(!seen.isNull(), opening);
            VerifyCentredOrCornered(seen, area);
        }
    }

    // The enabled text colours of the form stay; the disabled ones are the style's.
    void textColoursSetOnlyForEnabledStates_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QColor>("colour");
        const QColor purple(0x80, 0x00, 0x80);
        QTest::newRow("the window") << QString() << QColor(Qt::black);
        QTest::newRow("circle count") << "lbCirclesCount" << purple;
        QTest::newRow("deblur state") << "lbStat" << purple;
        QTest::newRow("last saved") << "lbLastSaved" << purple;
    }

    void textColoursSetOnlyForEnabledStates() {
        QFETCH(QString, name);
        QFETCH(QColor, colour);
        ShownWindow window;
        QWidget* widget = name.isEmpty() ? window.window.get() : window.Find<QWidget>(name);
        QVERIFY(widget);
        const QPalette& palette = widget->palette();
        QCOMPARE(palette.color(QPalette::Active, QPalette::WindowText), colour);
        QCOMPARE(palette.color(QPalette::Inactive, QPalette::WindowText), colour);
        QCOMPARE(palette.color(QPalette::Disabled, QPalette::WindowText),
                 QApplication::palette().color(QPalette::Disabled, QPalette::WindowText));
    }

    // A colour DNG, a monochrome DNG and a JPEG opened in turn, then auto
    // save ticked: each control is met enabled and disabled on the way.
    void disabledControlsLookDisabled_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("caption");
        QTest::newRow("Strip EXIF, disabled for a DNG") << "cbStripExif" << true;
        QTest::newRow("Three plane method, disabled for a monochrome DNG") << "cbHighQuality" << true;
        QTest::newRow("auto-save folder, disabled while auto save is off") << "lbFolder" << true;
        QTest::newRow("Brightness, disabled for a JPEG") << "tbBrightness" << false;
        QTest::newRow("Contrast, disabled for a JPEG") << "tbContrast" << false;
    }

    void disabledControlsLookDisabled() {
        QFETCH(QString, name);
        QFETCH(bool, caption);
        Window w;
        w.AddDng("colour.dng", 400, 300);
        pipelinetest::WriteFixtureFile(w.folder, "mono.dng", pipelinetest::MonochromeFixture(400, 300));
        w.AddJpeg();
        const QString results = QString::fromStdString(w.folder.Path()) + "/results";
        QVERIFY(QDir().mkpath(results));
        app::TDirDialog::answerHook = [&](const QString&) -> std::optional<QString> { return results; };

        auto* control = w->findChild<QWidget*>(name);
        QVERIFY(control);
        Looks looks(control);
        looks.Take();
        QVERIFY(w.OpenDng("colour.dng"));
        looks.Take();
        QVERIFY(w.OpenDng("mono.dng"));
        looks.Take();
        QVERIFY(w.Select("photo.jpg"));
        looks.Take();
        w->cbAutoSave->click();
        app::TDirDialog::answerHook = nullptr;
        QCOMPARE(w->lbFolder->text(), results);
        looks.Take();

        const QImage enabled = looks.Of(true);
        const QImage disabled = looks.Of(false);
        QVERIFY(!enabled.isNull() && !disabled.isNull());
        if (caption) {
            // Black text when enabled; the style's grey, however it is
            // smoothed, when not.
            const QColor greyed = QApplication::palette().color(QPalette::Disabled, QPalette::WindowText);
            QVERIFY2(qGray(greyed.rgb()) >= 96, "the style's disabled text is grey");
            const QRect area = CaptionArea(control);
            QCOMPARE_LT(DarkestGrey(enabled, area), 48);
            QCOMPARE_LT(std::abs(DarkestGrey(disabled, area) - qGray(greyed.rgb())), 24);
        } else {
            QCOMPARE_GT(DifferentPixels(enabled, disabled), 40);
        }
    }
};

// The screens are the offscreen platform's, set before the application starts.
int main(int argc, char** argv) {
    QTemporaryDir sandbox;
    IsolateEnvironment(sandbox);
    QFile screens(sandbox.path() + "/screens.json");
    if (!screens.open(QIODevice::WriteOnly) || screens.write(kScreens) < 0)
        return 1;
    screens.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + screens.fileName().toLocal8Bit());
    QApplication application(argc, argv);
    WindowLookTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "window_look_test.moc"
