// A plain window of one colour for the X11 tests: it prints "ready <window id>" once it is shown
// (and minimised, when asked) and lives until it is killed or its standard input closes.
//
//   pelicarta_test_window --app Name --caption Title --fill RRGGBB --rect x,y,w,h
//                         [--alpha 0..1] [--minimize] [--text "large black text"] [--accept-drops]
// With --accept-drops it takes copy drops and prints "dropped <text/uri-list as one line>" for each.
// (Qt itself takes -geometry and -title, hence the other names.)

#include <QApplication>
#include <QCommandLineParser>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <cstdio>
#include <unistd.h>

namespace {

// A window that takes what is dropped on it and says what it got.
class Window final : public QWidget {
protected:
    void dragEnterEvent(QDragEnterEvent *event) override { event->acceptProposedAction(); }
    void dragMoveEvent(QDragMoveEvent *event) override { event->acceptProposedAction(); }
    void dropEvent(QDropEvent *event) override {
        const QByteArray uris = event->mimeData()->data(QStringLiteral("text/uri-list"));
        std::printf("dropped %s\n", uris.trimmed().replace("\r\n", " ").replace('\n', ' ').constData());
        std::fflush(stdout);
        event->acceptProposedAction();
    }
};

} // namespace

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption className(QStringLiteral("app"), QString(), QStringLiteral("name"));
    const QCommandLineOption title(QStringLiteral("caption"), QString(), QStringLiteral("text"));
    const QCommandLineOption color(QStringLiteral("fill"), QString(), QStringLiteral("rrggbb"));
    const QCommandLineOption geometry(QStringLiteral("rect"), QString(), QStringLiteral("x,y,w,h"));
    const QCommandLineOption opacity(QStringLiteral("alpha"), QString(), QStringLiteral("value"));
    const QCommandLineOption minimize(QStringLiteral("minimize"));
    const QCommandLineOption text(QStringLiteral("text"), QString(), QStringLiteral("text"));
    const QCommandLineOption drops(QStringLiteral("accept-drops"));
    parser.addOptions({className, title, color, geometry, opacity, minimize, text, drops});
    parser.process(app);
    if (parser.isSet(className)) QApplication::setApplicationName(parser.value(className));

    Window window;
    window.setAcceptDrops(parser.isSet(drops));
    window.setWindowTitle(parser.value(title));
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, QColor(QLatin1Char('#') + parser.value(color)));
    window.setPalette(palette);
    window.setAutoFillBackground(true);
    QLabel label(parser.value(text), &window);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(40);
    label.setFont(font);
    label.setStyleSheet(QStringLiteral("color: black"));
    label.move(20, 20);
    label.adjustSize();
    const QStringList g = parser.value(geometry).split(QLatin1Char(','));
    if (g.size() == 4) window.setGeometry(g[0].toInt(), g[1].toInt(), g[2].toInt(), g[3].toInt());
    if (parser.isSet(opacity)) window.setWindowOpacity(parser.value(opacity).toDouble());
    window.show();

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char buffer[64];
        if (::read(STDIN_FILENO, buffer, sizeof buffer) <= 0) QApplication::quit();
    });

    const bool wantMinimized = parser.isSet(minimize);
    bool minimizeAsked = false;
    QTimer ready;
    QObject::connect(&ready, &QTimer::timeout, &app, [&] {
        if (!window.windowHandle() || !window.windowHandle()->isExposed()) {
            if (!(wantMinimized && minimizeAsked && window.isMinimized())) return;
        } else if (wantMinimized) {
            if (!minimizeAsked) {
                minimizeAsked = true;
                window.showMinimized();
            }
            return;
        }
        ready.stop();
        // Let the last paint reach the server before announcing.
        QTimer::singleShot(100, &app, [&] {
            std::printf("ready %llu\n", static_cast<unsigned long long>(window.winId()));
            std::fflush(stdout);
        });
    });
    ready.start(20);
    return QApplication::exec();
}
