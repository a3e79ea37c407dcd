#include "app/MainWindowController.h"

#include "app/AppShellView.h"
#include "app/EventLoopWatchdog.h"
#include "app/MainWindowFrame.h"
#include "app/PageKeys.h"
#include "core/Settings.h"
#include "editor/EditorKeyHandler.h"
#include "editor_window/ColorPanelBridge.h"
#include "platform/FrameExtents.h"
#include "platform/KeyEvent.h"
#include "platform/Memory.h"
#include "platform/ScreenServices.h"
#include "widgets/Theme.h"

#include <QBackingStore>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QTimer>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPixmapCache>
#include <QScreen>
#include <QShortcut>
#include <QVBoxLayout>
#include <QWidget>
#include <QWindow>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <utility>

namespace DockPresence {

namespace {
int count = 0;
}

int openWindows() { return count; }
void windowOpened() { ++count; }
void windowClosed() { count = std::max(count - 1, 0); }

} // namespace DockPresence

namespace {

// With PELICARTA_REPORT_FIRST_PAINT set, the moment the main window first reached the screen, on the
// monotonic clock, for the start-up benchmark.
void reportFirstPaint() {
    static bool reported = false;
    if (reported || qEnvironmentVariableIsEmpty("PELICARTA_REPORT_FIRST_PAINT")) return;
    reported = true;
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    std::fprintf(stderr, "pelicarta: first paint at %lld.%09ld\n", static_cast<long long>(now.tv_sec), now.tv_nsec);
    std::fflush(stderr);
}

class MainWindow final : public QWidget {
public:
    explicit MainWindow(MainWindowController &controller) : m_controller(controller) {
        setWindowTitle(QStringLiteral("Pelicarta"));
        setObjectName(QStringLiteral("mainWindow"));
        setMinimumSize(MainWindowFrame::minimumSize);
        resize(MainWindowFrame::defaultSize);
        QPalette palette = this->palette();
        palette.setColor(QPalette::Window, Theme::bg());
        setPalette(palette);
        setAutoFillBackground(true);
        auto *layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(new AppShellView(AppRouter::shared(), this));
        // "Ajustes…" (⌘, — Ctrl+, on this keyboard).
        auto *settings = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma), this);
        connect(settings, &QShortcut::activated, this,
                [] { MainWindowController::shared().show(AppRouter::Page::settings); });
    }

protected:
    bool event(QEvent *event) override {
        const bool handled = QWidget::event(event);
        if (event->type() == QEvent::UpdateRequest) reportFirstPaint();
        return handled;
    }
    void moveEvent(QMoveEvent *event) override {
        QWidget::moveEvent(event);
        if (isVisible()) m_controller.frameChanged();
    }
    void resizeEvent(QResizeEvent *event) override {
        QWidget::resizeEvent(event);
        if (isVisible()) m_controller.frameChanged();
    }
    void closeEvent(QCloseEvent *event) override {
        // Hidden, not destroyed: the same window, page and editor come back on the next show.
        m_controller.windowWillClose();
        event->accept();
        // Its native window and the pixels behind it (4 MB at 1240 × 800) are let go while it is
        // closed, which is most of a tray app's day; the next show makes them anew.
        // Not once it is open again: a show asked for meanwhile may still wait for its page, and the
        // key monitor is on this native window.
        QTimer::singleShot(0, this, [this] {
            if (!isVisible() && !m_controller.isOpen()) destroy();
        });
    }

private:
    MainWindowController &m_controller;
};

bool isModifierKey(int key) {
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Meta:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_Mode_switch: return true;
    default: return false;
    }
}

QList<QRect> availableAreas() {
    QList<QRect> areas;
    for (const QScreen *screen : QGuiApplication::screens()) areas.append(screen->availableGeometry());
    return areas;
}

QRect primaryArea() {
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

} // namespace

MainWindowController &MainWindowController::shared() {
    static MainWindowController *controller = new MainWindowController; // lives as long as the process
    return *controller;
}

MainWindowController::MainWindowController(QObject *parent) : QObject(parent) {
    setEditorKeyTable({});
    m_frameSave.setSingleShot(true);
    m_frameSave.setInterval(400);
    connect(&m_frameSave, &QTimer::timeout, this, &MainWindowController::saveFrame);
    connect(&platform::FrameExtentsWatch::shared(), &platform::FrameExtentsWatch::changed, this,
            &MainWindowController::frameExtentsChanged);
    if (QCoreApplication *app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &MainWindowController::saveFrame);
}

MainWindowController::~MainWindowController() { delete m_window; }

void MainWindowController::setEditorKeyTable(KeyTable table) {
    m_keyTable = table ? std::move(table) : KeyTable(&EditorKeyHandler::handle);
}

QWidget *MainWindowController::makeWindow() {
    auto *window = new MainWindow(*this);
    m_shell = window->findChild<AppShellView *>();
    // On a turn of its own: putting the page in place and showing the window each take a few ms.
    connect(
        m_shell, &AppShellView::editorSettled, this,
        [this] {
            if (std::exchange(m_showWhenSettled, false)) show();
        },
        Qt::QueuedConnection);
    // Placed before it is first shown, its frame where it is to be: the window manager's frame guessed
    // until it says, then placed again (frameExtentsChanged).
    m_remembered = Settings::mainWindowFrame.stored(platform::UserDefaults::standard());
    m_firstFraming = true;
    const QRect placement = MainWindowFrame::placed(m_remembered, m_frame.value_or(MainWindowFrame::frameGuess),
                                                    primaryArea(), availableAreas());
    window->resize(placement.size());
    window->move(placement.topLeft());
    m_guessed = placement;
    return window;
}

void MainWindowController::frameExtentsChanged(QWindow *handle) {
    if (!m_window || handle != m_window->windowHandle() || !m_window->isVisible()) return;
    if (m_window->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen | Qt::WindowMinimized)) return;
    const std::optional<QMargins> frame = platform::frameExtents(handle);
    if (!frame) return;
    m_frame = *frame;
    const QPoint inset(frame->left(), frame->top());
    const QRect now(m_window->geometry().topLeft() - inset, m_window->size());
    // A new window is placed again as it would have been with its frame known (larger, perhaps, than the
    // guess allowed); afterwards the window is only brought back within reach.
    const QRect placement =
        std::exchange(m_firstFraming, false)
            ? MainWindowFrame::framed(m_guessed, now, m_remembered, *frame, primaryArea(), availableAreas())
            : MainWindowFrame::fitted(now, *frame, availableAreas());
    if (placement != now) m_window->setGeometry(QRect(placement.topLeft() + inset, placement.size()));
}

void MainWindowController::frameChanged() { m_frameSave.start(); }

void MainWindowController::saveFrame() {
    m_frameSave.stop();
    if (!m_window || !m_window->isVisible()) return;
    // A maximised or full-screen window keeps the frame it will return to.
    if (m_window->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen | Qt::WindowMinimized)) return;
    const QRect frame(m_window->pos(), m_window->size());
    if (Settings::mainWindowFrame.stored(platform::UserDefaults::standard()) != frame)
        Settings::mainWindowFrame.set(frame);
}

void MainWindowController::show(std::optional<AppRouter::Page> page) {
    takeHeld();
    if (page) AppRouter::shared().setPage(*page);
    if (EditorModel *editor = AppRouter::shared().editor()) editor->render().ensurePreview();
    if (!m_window) m_window = makeWindow();
    if (!m_isOpen) {
        m_isOpen = true;
        DockPresence::windowOpened();
        installKeyMonitor();
        QTimer::singleShot(0, this, &MainWindowController::preparePixels);
    }
    // A closed window never shows the page it had, nor an empty one, before the capture's page: it
    // shows once that is whole. So does one a grab keeps out of the picture while Qt paints it.
    QWindow *handle = m_window->windowHandle();
    const bool keptOff = handle && platform::keptOffScreenAfterGrab(handle);
    m_showWhenSettled = (!m_window->isVisible() || keptOff) && AppRouter::shared().page() == AppRouter::Page::editor &&
                        m_shell->isMakingEditor();
    if (m_showWhenSettled) return;
    if (keptOff) platform::bringBackAfterGrab(handle); // already painted with what it is to show
    else if (m_window->isMinimized()) m_window->showNormal();
    else m_window->show();
    m_window->raise();
    // Qt waits for the X server to take a request for the focus: on a turn of its own, so that the
    // window's first frame does not wait behind it.
    QTimer::singleShot(0, m_window, [window = m_window] {
        if (window->isVisible()) window->activateWindow();
    });
    EventLoopWatchdog::mark("main window shown");
}

void MainWindowController::holdForCapture() {
    releaseHold();
    if (!m_window || !m_window->isVisible() || m_window->isMinimized() || !m_window->windowHandle()) return;
    m_held = true;
    m_heldWasActive = m_window->isActiveWindow();
    platform::setStaysHiddenAfterGrab(m_window->windowHandle(), true);
    platform::setMayStayMappedAfterGrab(m_window->windowHandle(), true); // show() brings it back
}

// Whether the held window is off the screen: hidden to Qt too, unless a grab kept it mapped out of the
// picture.
bool MainWindowController::takeHeld() {
    if (!std::exchange(m_held, false) || !m_window) return false;
    QWindow *handle = m_window->windowHandle();
    if (handle) platform::setStaysHiddenAfterGrab(handle, false);
    // Still mapped, only out of the picture: nothing to undo here.
    if (handle && platform::keptOffScreenAfterGrab(handle)) return true;
    // Only a window the grab took off: one closed meanwhile, or never hidden, is left as it is.
    if (!handle || handle->isVisible() || m_window->testAttribute(Qt::WA_WState_Hidden)) return false;
    // Hidden through its native window, the widget still counts itself shown and would ignore show().
    m_window->hide();
    return true;
}

void MainWindowController::releaseHold() {
    if (!takeHeld() || platform::bringBackAfterGrab(m_window->windowHandle())) return;
    const bool quiet = !m_heldWasActive;
    if (quiet) m_window->setAttribute(Qt::WA_ShowWithoutActivating, true);
    m_window->show();
    if (quiet) m_window->setAttribute(Qt::WA_ShowWithoutActivating, false);
}

void MainWindowController::windowWillClose() {
    m_showWhenSettled = false;
    // Not left out of the picture for its next show.
    if (m_window) platform::bringBackAfterGrab(m_window->windowHandle());
    if (!m_isOpen) return;
    saveFrame();
    m_isOpen = false;
    removeKeyMonitor();
    // The colour panel no longer changes anything of a window that is gone.
    ColorPanelBridge::shared().detach();
    // The editor stays open for the next show; what is rendered from it goes meanwhile.
    if (EditorModel *editor = AppRouter::shared().editor()) editor->render().releaseCaches();
    // The style's pixmaps (scroll bars and the like) are keyed by each widget's palette, so every
    // editor page adds its own until the cache's 10 MB limit: drawn again at the next show.
    QPixmapCache::clear();
    // The window's pixels and what building its pages left free go back to the system.
    platform::Memory::releaseFreeMemorySoon();
    DockPresence::windowClosed();
}

void MainWindowController::preparePixels() {
    // A window made anew (closing lets its native window go) gets fresh shared memory for its pixels
    // on its first frame, and touching its ~4 MB for the first time was half of that frame's work:
    // made and touched here, on a turn of its own before the window is mapped. Every pixel is painted
    // over by the first frame.
    QBackingStore *store = m_window ? m_window->backingStore() : nullptr;
    if (!store || !m_isOpen || m_window->isVisible() || store->size() == m_window->size()) return;
    store->resize(m_window->size());
    if (auto *pixels = dynamic_cast<QImage *>(store->paintDevice()); pixels && !pixels->isNull())
        std::memset(pixels->bits(), 0, size_t(pixels->sizeInBytes()));
}

void MainWindowController::installKeyMonitor() {
    if (m_keyMonitor || !m_window) return;
    m_window->winId(); // the window handle exists from here on
    if (QWindow *handle = m_window->windowHandle()) {
        handle->installEventFilter(this);
        m_keyMonitor = handle;
    }
}

void MainWindowController::removeKeyMonitor() {
    if (m_keyMonitor) m_keyMonitor->removeEventFilter(this);
    m_keyMonitor = nullptr;
}

bool MainWindowController::eventFilter(QObject *watched, QEvent *event) {
    if (watched != m_keyMonitor) return false;
    // The window coming back on screen (a capture takes it off for the grab) while the capture's page
    // is being made: its first frame shows that page, never the previous capture's.
    if (event->type() == QEvent::Expose && m_shell && AppRouter::shared().page() == AppRouter::Page::editor)
        m_shell->finishEditor();
    // Only the main window's own key events: the overlay, the quick panel, menus and dialogs are other
    // windows and never reach this.
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease) return false;
    const auto *qtKey = static_cast<QKeyEvent *>(event);
    // A modifier pressed or released alone is no key of the tables (the Mac sends none): the Ctrl of
    // Ctrl+Z must not close the shortcuts sheet and leave the Z to undo.
    if (isModifierKey(qtKey->key())) return false;
    const std::optional<platform::KeyEvent> key = platform::KeyEvent::fromQt(*qtKey);
    return key && handle(*key);
}

bool MainWindowController::handle(const platform::KeyEvent &event) {
    // While the onboarding fills the window, neither the sidebar nor a page is what the user sees:
    // every key is the onboarding's (Return moves it on), none may act on a page behind it.
    if (m_shell && m_shell->onboarding()) return false;
    namespace Flag = platform::ModifierFlag;
    AppRouter &router = AppRouter::shared();
    const bool down = event.type == platform::KeyEvent::Type::keyDown;
    const std::uint32_t modifiers = event.shortcutModifiers();
    const Shortcut sidebar = PageKeys::sidebarShortcut();
    if (down && modifiers == sidebar.modifiers && event.keyCode == sidebar.keyCode) {
        Settings::sidebarCollapsed.set(!Settings::sidebarCollapsed.value());
        return true;
    }
    if (down && modifiers == Flag::command) {
        const std::optional<AppRouter::Page> page = PageKeys::pageForKeyCode(event.keyCode);
        if (page && (*page != AppRouter::Page::editor || router.editor())) {
            router.setPage(*page);
            return true;
        }
    }
    // Every other key, key-ups included, belongs to the editor while it shows a capture.
    if (router.page() == AppRouter::Page::editor && router.editor()) {
        // The key may need the capture's page (a focused field, an overlay): made now if it is not yet.
        if (m_shell) m_shell->finishEditor();
        return m_keyTable(event, *router.editor());
    }
    return false;
}
