#include "app/TrayMenu.h"

#include "app/MainWindowController.h"
#include "capture/CaptureService.h"
#include "core/Localization.h"
#include "widgets/Theme.h"

#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// One row of the panel: a flat, full-width label that lights up under the pointer.
class MenuRow final : public QPushButton {
public:
    MenuRow(const QString &text, QWidget *parent) : QPushButton(text, parent) {
        setAccessibleName(text);
        setFlat(true);
        setCursor(Qt::PointingHandCursor);
        setFixedHeight(30);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        setAttribute(Qt::WA_Hover);
    }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        if (underMouse() || hasFocus())
            p.fillPath(Theme::continuousRoundedRect(QRectF(rect()).adjusted(4, 1, -4, -1), 6), Theme::rgb(0xFFFFFF, 0.07));
        p.setFont(Theme::font(13));
        p.setPen(Theme::text());
        p.drawText(rect().adjusted(14, 0, -14, 0), Qt::AlignVCenter | Qt::AlignLeft, text());
    }
};

class Divider final : public QWidget {
public:
    explicit Divider(QWidget *parent) : QWidget(parent) { setFixedHeight(9); }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter p(this);
        p.fillRect(QRect(10, 4, width() - 20, 1), Theme::line());
    }
};

} // namespace

TrayMenu::TrayMenu(QWidget *parent) : QFrame(parent, Qt::Popup | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("trayMenu"));
    setWindowTitle(L("Menu do Pelicarta"));
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedWidth(260);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 8, 6, 8);
    layout->setSpacing(0);

    auto addRow = [this, layout](const QString &text, std::function<void()> action) {
        auto *row = new MenuRow(text, this);
        connect(row, &QPushButton::clicked, this, [this, action = std::move(action)] {
            hide();
            // Act once the panel is gone, so that a capture never sees it.
            QTimer::singleShot(0, qApp, action);
        });
        layout->addWidget(row);
    };
    for (ShortcutAction action : ShortcutActions::all())
        addRow(ShortcutActions::title(action), [action] { CaptureService::start(action); });
    layout->addWidget(new Divider(this));
    addRow(L("Abrir Pelicarta"), [] { MainWindowController::shared().show(AppRouter::Page::home); });
    addRow(L("Ajustes…"), [] { MainWindowController::shared().show(AppRouter::Page::settings); });
    layout->addWidget(new Divider(this));
    addRow(L("Sair"), [this] { emit quitRequested(); });
}

QAbstractButton *TrayMenu::row(const QString &text) const {
    for (QAbstractButton *button : findChildren<QAbstractButton *>())
        if (button->accessibleName() == text) return button;
    return nullptr;
}

void TrayMenu::popup(const QRect &anchor) {
    adjustSize();
    const QPoint near = anchor.isValid() ? anchor.center() : QCursor::pos();
    QScreen *screen = QGuiApplication::screenAt(near);
    if (!screen) screen = QGuiApplication::primaryScreen();
    const QRect visible = screen ? screen->availableGeometry() : QRect(QPoint(), size());
    // Below the icon when it sits in a top bar, above it otherwise; always inside the screen.
    QPoint origin(near.x() - width() / 2, anchor.isValid() ? anchor.bottom() + 4 : near.y());
    if (anchor.isValid() && anchor.center().y() > visible.center().y()) origin.setY(anchor.top() - 4 - height());
    origin.setX(std::clamp(origin.x(), visible.left(), std::max(visible.left(), visible.right() + 1 - width())));
    origin.setY(std::clamp(origin.y(), visible.top(), std::max(visible.top(), visible.bottom() + 1 - height())));
    move(origin);
    show();
    activateWindow();
}

void TrayMenu::keyPressEvent(QKeyEvent *event) {
    // ⌘Q is Ctrl+Q on this keyboard.
    if (event->key() == Qt::Key_Q && event->modifiers() == Qt::ControlModifier) {
        hide();
        emit quitRequested();
        return;
    }
    QFrame::keyPressEvent(event);
}

void TrayMenu::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPainterPath shape = Theme::continuousRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 12);
    p.fillPath(shape, Theme::panel());
    p.setPen(QPen(Theme::lineStrong(), 1));
    p.drawPath(shape);
}
