#include "app/MainWindowController.h"

#include "app/AppShell.h"
#include "widgets/Theme.h"

#include <QCloseEvent>
#include <QTimer>
#include <QGuiApplication>
#include <QScreen>
#include <QShortcut>
#include <QVBoxLayout>
#include <QWidget>

namespace DockPresence {

namespace {
int count = 0;
}

int openWindows() { return count; }
void windowOpened() { ++count; }
void windowClosed() { count = std::max(count - 1, 0); }

} // namespace DockPresence

namespace {

class MainWindow final : public QWidget {
public:
    explicit MainWindow(MainWindowController &controller) : m_controller(controller) {
        setWindowTitle(QStringLiteral("Pelicarta"));
        setObjectName(QStringLiteral("mainWindow"));
        setMinimumSize(1000, 660);
        resize(1240, 800);
        QPalette palette = this->palette();
        palette.setColor(QPalette::Window, Theme::bg());
        setPalette(palette);
        setAutoFillBackground(true);
        auto *layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(new AppShell(AppRouter::shared(), this));
        // "Ajustes…" (⌘, — Ctrl+, on this keyboard).
        auto *settings = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma), this);
        connect(settings, &QShortcut::activated, this,
                [] { MainWindowController::shared().show(AppRouter::Page::settings); });
    }

protected:
    void closeEvent(QCloseEvent *event) override {
        // Hidden, not destroyed: the same window, page and editor come back on the next show.
        m_controller.windowWillClose();
        event->accept();
        // Its native window and the pixels behind it (4 MB at 1240 × 800) are let go while it is
        // closed, which is most of a tray app's day; the next show makes them anew.
        QTimer::singleShot(0, this, [this] {
            if (!isVisible()) destroy();
        });
    }

private:
    MainWindowController &m_controller;
};

} // namespace

MainWindowController &MainWindowController::shared() {
    static MainWindowController *controller = new MainWindowController; // lives as long as the process
    return *controller;
}

MainWindowController::MainWindowController(QObject *parent) : QObject(parent) {}

MainWindowController::~MainWindowController() { delete m_window; }

QWidget *MainWindowController::makeWindow() {
    auto *window = new MainWindow(*this);
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), window->size().boundedTo(screen->availableGeometry().size()));
        frame.moveCenter(screen->availableGeometry().center());
        window->setGeometry(frame);
    }
    return window;
}

void MainWindowController::show(std::optional<AppRouter::Page> page) {
    if (page) AppRouter::shared().setPage(*page);
    if (!m_window) m_window = makeWindow();
    if (!m_isOpen) {
        m_isOpen = true;
        DockPresence::windowOpened();
        emit openChanged(true);
    }
    if (m_window->isMinimized()) m_window->showNormal();
    else m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void MainWindowController::windowWillClose() {
    if (!m_isOpen) return;
    m_isOpen = false;
    DockPresence::windowClosed();
    emit openChanged(false);
}
