// grab-screen OUT.png [--timeout SECONDS]
// Saves the whole primary screen as a PNG once something has been drawn on
// it (the picture stops being uniform), or after the timeout.
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QThread>
#include <cstdio>

namespace {

bool IsUniform(const QImage& image) {
    const QRgb first = image.pixel(0, 0);
    for (int y = 0; y < image.height(); y += 7)
        for (int x = 0; x < image.width(); x += 7)
            if (image.pixel(x, y) != first)
                return false;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.isEmpty()) {
        std::fprintf(stderr, "usage: grab-screen OUT.png [--timeout SECONDS]\n");
        return 2;
    }
    int timeoutSeconds = 20;
    const qsizetype timeoutAt = arguments.indexOf("--timeout");
    if (timeoutAt > 0 && timeoutAt + 1 < arguments.size())
        timeoutSeconds = arguments[timeoutAt + 1].toInt();

    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) {
        std::fprintf(stderr, "grab-screen: no screen\n");
        return 1;
    }
    // Wait until something has been drawn, then a moment more for it to settle.
    QDeadlineTimer deadline(timeoutSeconds * 1000);
    QImage picture = screen->grabWindow(0).toImage();
    while (IsUniform(picture) && !deadline.hasExpired()) {
        QThread::msleep(200);
        picture = screen->grabWindow(0).toImage();
    }
    QThread::msleep(1500);
    picture = screen->grabWindow(0).toImage();
    if (!picture.save(arguments.first(), "PNG")) {
        std::fprintf(stderr, "grab-screen: cannot write %s\n", qPrintable(arguments.first()));
        return 1;
    }
    return IsUniform(picture) ? 3 : 0;
}
