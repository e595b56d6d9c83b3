// Shows a BlurPanel alone, so the panel can be looked at and tried before the
// main window exists.
//
//   blurpanel-demo [--mode free|line|disc] [--radius N] [--angle N]
//                  [--shape 0..5] [--paint] [--zoom-out N] [--grab FILE.png]
//
// --paint sets a few cells by clicking the free grid; --grab writes a picture
// of the window to FILE.png and quits.
#include <QApplication>
#include <QComboBox>
#include <QCommandLineParser>
#include <QLabel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <cstdio>

#include "controls/class_blurpanel.h"

namespace {

// Clicks the grid cell (x, y) through the widget's own mouse handling.
void ClickGridCell(controls::MotionBlurPanel* grid, int x, int y) {
    const QPointF at(grid->CellCentre(x, y));
    const QPointF global = grid->mapToGlobal(at);
    QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(grid, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(grid, &release);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({"mode", "Kernel mode: free, line or disc.", "mode", "free"});
    parser.addOption({"radius", "Radius slider position.", "n", "0"});
    parser.addOption({"angle", "Angle slider position.", "n", "0"});
    parser.addOption({"shape", "Line shape index 0..5.", "n", "0"});
    parser.addOption({"paint", "Click a few cells of the free grid."});
    parser.addOption({"zoom-out", "Press the zoom-out button n times.", "n", "0"});
    parser.addOption({"grab", "Write a picture of the window and quit.", "file"});
    parser.process(app);

    QWidget window;
    window.setWindowTitle("Blur panel");
    auto* layout = new QVBoxLayout(&window);
    auto* panel = new controls::BlurPanel;
    panel->setFixedSize(controls::BlurPanel::kPanelWidth, 237);
    auto* status = new QLabel("kernel empty");
    layout->addWidget(panel);
    layout->addWidget(status);

    int changes = 0;
    panel->OnKernelEmpty = [status](controls::BlurPanel*) { status->setText("kernel empty"); };
    panel->OnKernelNotEmpty = [status](controls::BlurPanel*) { status->setText("kernel set"); };
    panel->OnChange = [&changes](controls::BlurPanel*) { std::printf("change %d\n", ++changes); };
    panel->OnHover = [status](controls::BlurPanel*) { status->setText("comparing"); };
    window.show();

    const QString mode = parser.value("mode");
    if (mode == "line")
        panel->sbLineShapes->click();
    else if (mode == "disc")
        panel->sbCylinderCircle->click();
    if (mode == "line") {
        // Choose the shape the way a user does from the keyboard.
        for (int i = 0; i < parser.value("shape").toInt(); ++i) {
            QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
            QApplication::sendEvent(panel->cbShape, &down);
        }
    }
    // Radius and angle belong to the line and disc modes.
    if (mode != "free") {
        panel->tbRadius->setValue(parser.value("radius").toInt());
        panel->tbAngle->setValue(parser.value("angle").toInt());
    }
    if (parser.isSet("paint"))
        for (auto [x, y] : {std::pair{50, 50}, {51, 49}, {52, 48}, {49, 51}, {48, 52}, {53, 48}})
            ClickGridCell(panel->grid, x, y);

    for (int i = 0; i < parser.value("zoom-out").toInt(); ++i)
        panel->sbZoomOut->click();

    if (parser.isSet("grab")) {
        const QString file = parser.value("grab");
        QTimer::singleShot(300, [&window, file] {
            const bool saved = window.grab().save(file);
            std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(file));
            QApplication::exit(saved ? 0 : 1);
        });
    }
    return app.exec();
}
