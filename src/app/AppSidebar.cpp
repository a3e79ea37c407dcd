#include "app/AppSidebar.h"

#include "app/CaptureCard.h"
#include "app/PageKeys.h"
#include "capture/CaptureService.h"
#include "core/LatestResult.h"
#include "core/Localization.h"
#include "core/Settings.h"
#include "core/ShortcutStore.h"
#include "editor/EditorModel.h"
#include "platform/UserDefaults.h"
#include "tutorials/TutorialStore.h"
#include "widgets/BrandMark.h"
#include "widgets/FilledImage.h"
#include "widgets/Icons.h"
#include "widgets/KeptPicture.h"
#include "widgets/SectionLabel.h"
#include "widgets/SymbolButton.h"
#include "widgets/Theme.h"
#include "widgets/ThemedLabel.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QMetaEnum>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPainter>
#include <QStaticText>
#include <QVBoxLayout>
#include <QVariantAnimation>
#include <QtConcurrent/QtConcurrentRun>

namespace {

constexpr int kCollapsedCell = 44;
constexpr int kHeaderTop = 18;
constexpr int kHeaderBottom = 14;

// A highlight (a continuous rounded rectangle of radius 8 filled with a translucent colour) over
// `cell`: its rounded ends from a kept picture, the middle a plain fill of a few dozen rows, which
// Qt's raster engine does not slice across its thread pool as it does the whole shape's edges. The
// sidebar's widths in its animation make no new pictures.
void drawHighlight(QPainter &p, const QRect &cell, const QColor &fill, qreal ratio) {
    constexpr int end = 16; // wider than the corners' curve
    const QSize ends(2 * end, cell.height());
    const QImage picture =
        keptPicture(QStringLiteral("sidebarHighlight:%1").arg(fill.rgba()), ends, ratio, [&](QPainter &k) {
            k.fillPath(Theme::continuousRoundedRect(QRectF(QPointF(), QSizeF(ends)), 8), fill);
        });
    const QSizeF endPixels = QSizeF(end, cell.height()) * ratio;
    p.drawImage(QRectF(cell.left(), cell.top(), end, cell.height()), picture, QRectF(QPointF(), endPixels));
    p.drawImage(QRectF(cell.right() + 1 - end, cell.top(), end, cell.height()), picture,
                QRectF(QPointF(endPixels.width(), 0), endPixels));
    p.fillRect(cell.adjusted(end, 0, -end, 0), fill);
}

} // namespace

// A row of the column: an icon in an 18-wide frame and, expanded, a title and a trailing hint.
// Collapsed, only the icon shows, centred in a 44-wide cell.
class AppSidebar::Item final : public QAbstractButton {
public:
    struct Look {
        int height;
        int iconSize;
        qreal fontSize;
    };
    Item(const QString &icon, const QString &title, Look look, QWidget *parent)
        : QAbstractButton(parent), m_icon(icon), m_look(look) {
        setText(title);
        setAccessibleName(title);
        setFixedHeight(look.height);
        setCursor(Qt::PointingHandCursor);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }
    void setTrailing(const QString &text) {
        m_trailing = text;
        placeMark();
        update();
    }
    void setCurrent(bool current) {
        m_current = current;
        update();
    }
    void setCollapsed(bool collapsed) {
        m_collapsed = collapsed;
        placeMark();
        update();
    }
    // A mark drawn over the row: at its trailing edge, or in the top-trailing corner of the cell.
    void setMark(QWidget *mark) {
        m_mark = mark;
        mark->setParent(this);
        placeMark();
    }
    // Where the button draws itself: the whole row, or the centred cell when collapsed.
    QRect cell() const {
        if (!m_collapsed) return rect();
        return {(width() - kCollapsedCell) / 2, 0, kCollapsedCell, height()};
    }
    QSize sizeHint() const override { return {kCollapsedCell, m_look.height}; }

protected:
    bool hitButton(const QPoint &pos) const override { return cell().contains(pos); }
    void resizeEvent(QResizeEvent *) override { placeMark(); }
    void paintEvent(QPaintEvent *) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        if (!isEnabled()) p.setOpacity(0.45);
        const QRect cell = this->cell();
        if (m_current) drawHighlight(p, cell, Theme::accentSoft(), devicePixelRatioF());
        const QColor ink = m_current ? Theme::text() : Theme::text2();
        const int iconLeft = m_collapsed ? cell.left() + (cell.width() - 18) / 2 : cell.left() + 10;
        const QPixmap icon = Icons::pixmap(m_icon, m_look.iconSize, ink, devicePixelRatioF());
        p.drawPixmap(QPointF(iconLeft + (18 - m_look.iconSize) / 2.0, (height() - m_look.iconSize) / 2.0), icon);
        if (m_collapsed) return;
        const QRect textArea = cell.adjusted(iconLeft + 18 + 10, 0, -10, 0);
        layOut(textArea);
        if (!m_trailing.isEmpty()) {
            p.setFont(m_shown.trailingFont);
            p.setPen(Theme::text3());
            p.drawStaticText(m_shown.trailingAt, m_shown.trailingText);
        }
        p.setFont(m_shown.titleFont);
        p.setPen(ink);
        p.drawStaticText(m_shown.titleAt, m_shown.titleText);
    }

private:
    // The texts as laid out for the last area, title, hint and weight: a paint only draws them. Each
    // stands where drawing it in the area, centred down, would put it.
    struct Shown {
        QRect area;
        QString title, trailing;
        bool current = false;
        QFont titleFont, trailingFont;
        QStaticText titleText, trailingText;
        QPointF titleAt, trailingAt;
    };
    void layOut(QRect area) {
        if (area == m_shown.area && text() == m_shown.title && m_trailing == m_shown.trailing &&
            m_current == m_shown.current)
            return;
        m_shown.area = area;
        m_shown.title = text();
        m_shown.trailing = m_trailing;
        m_shown.current = m_current;
        const auto centred = [&area](const QFont &font) {
            return area.top() + (area.height() - QFontMetricsF(font).height()) / 2;
        };
        if (!m_trailing.isEmpty()) {
            m_shown.trailingFont = Theme::monospaceFont(10);
            const QFontMetrics metrics(m_shown.trailingFont);
            const int advance = metrics.horizontalAdvance(m_trailing);
            m_shown.trailingText = staticText(m_trailing, m_shown.trailingFont);
            m_shown.trailingAt =
                QPointF(area.right() + 1 - QFontMetricsF(m_shown.trailingFont).horizontalAdvance(m_trailing),
                        centred(m_shown.trailingFont));
            area.setRight(area.right() - advance - 6);
        }
        if (m_mark) area.setRight(area.right() - m_mark->width() - 6);
        m_shown.titleFont = Theme::font(m_look.fontSize, m_current ? QFont::DemiBold : QFont::Normal);
        const QFontMetrics metrics(m_shown.titleFont);
        m_shown.titleText = staticText(metrics.elidedText(text(), Qt::ElideRight, area.width()), m_shown.titleFont);
        m_shown.titleAt = QPointF(area.left(), centred(m_shown.titleFont));
    }
    static QStaticText staticText(const QString &text, const QFont &font) {
        QStaticText shown(text);
        shown.setTextFormat(Qt::PlainText);
        shown.prepare(QTransform(), font);
        return shown;
    }
    // Expanded, the mark stands before the hint, which is as wide as its keys.
    void placeMark() {
        if (!m_mark) return;
        const QRect cell = this->cell();
        const int hint =
            m_trailing.isEmpty() ? 0 : QFontMetrics(Theme::monospaceFont(10)).horizontalAdvance(m_trailing) + 6;
        const int right = cell.right() + 1 - m_mark->width();
        m_mark->move(m_collapsed ? QPoint(right - 6, 6) : QPoint(right - 10 - hint, (height() - m_mark->height()) / 2));
    }

    QString m_icon;
    Look m_look;
    QString m_trailing;
    bool m_current = false;
    bool m_collapsed = false;
    QWidget *m_mark = nullptr;
    Shown m_shown;
};

namespace {

// The red dot that marks a tutorial being recorded.
class RecordingMark final : public QWidget {
public:
    explicit RecordingMark(QWidget *parent) : QWidget(parent) {
        setFixedSize(7, 7);
        setToolTip(L("Gravando tutorial"));
    }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(Theme::rgb(0xFF5A5F));
        p.drawEllipse(rect());
    }
};

// The header: the mark and the name (expanded only) and the collapse button, centred when collapsed.
class Header final : public QWidget {
public:
    Header(QAbstractButton *collapse, QWidget *parent) : QWidget(parent), m_collapse(collapse) {
        collapse->setParent(this);
        m_mark = new BrandMark(20, this);
        setFixedHeight(kHeaderTop + 26 + kHeaderBottom);
    }
    void setCollapsed(bool collapsed) {
        m_collapsed = collapsed;
        m_mark->setVisible(!collapsed);
        place();
        update();
    }

protected:
    void resizeEvent(QResizeEvent *) override { place(); }
    void paintEvent(QPaintEvent *) override {
        if (m_collapsed) return;
        QPainter p(this);
        p.setFont(Theme::font(13, QFont::DemiBold));
        p.setPen(Theme::text());
        const int left = 10 + 20 + 8;
        p.drawText(QRect(left, kHeaderTop, m_collapse->x() - 8 - left, 26), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("Pelicarta"));
    }

private:
    void place() {
        m_mark->move(10, kHeaderTop + 3);
        const int x = m_collapsed ? (width() - m_collapse->width()) / 2 : width() - 10 - m_collapse->width();
        m_collapse->move(x, kHeaderTop);
    }

    QAbstractButton *m_collapse;
    QWidget *m_mark;
    bool m_collapsed = false;
};

} // namespace

// The row of the capture open in the editor: its thumbnail, "Print atual" and its pixel size, and a
// button that closes it. A click anywhere else shows the editor page.
class AppSidebar::OpenPrintRow final : public QWidget {
public:
    OpenPrintRow(AppRouter &router, QWidget *parent) : QWidget(parent), m_router(router) {
        setFixedHeight(40);
        setCursor(Qt::PointingHandCursor);
        m_close =
            new SymbolButton(QStringLiteral("xmark"), L("Fechar este print (ele continua no histórico, se estiver lá)"),
                             QSize(20, 20), 9, Theme::text3(), this);
        QObject::connect(m_close, &QAbstractButton::clicked, &router, &AppRouter::closeEditor);
    }
    void setModel(EditorModel *model) {
        m_thumbnail = QImage();
        m_size.clear();
        m_thumbnailAsked.drop(); // a thumbnail still being made is for another capture
        if (model) {
            const qreal ratio = devicePixelRatioF();
            // Scaled once per capture, on a worker: a smooth scale reads every pixel of the capture,
            // which would hold up the main window's opening on it.
            QtConcurrent::run(&EditorThreads::estimatePool(),
                              [original = model->document().original(), size = QSize(qRound(40 * ratio), qRound(28 * ratio))] {
                                  if (EditorThreads::isClosing()) return QImage();
                                  return original.scaled(size, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
                              })
                .then(this, [this, ticket = m_thumbnailAsked.next()](const QImage &thumbnail) {
                    if (!ticket.isCurrent() || thumbnail.isNull()) return;
                    m_thumbnail = thumbnail;
                    update();
                });
            m_size = QStringLiteral("%1 × %2")
                         .arg(model->document().imageSize().width())
                         .arg(model->document().imageSize().height());
        }
        update();
    }
    QString sizeText() const { return m_size; }

protected:
    void resizeEvent(QResizeEvent *) override { m_close->move(width() - 8 - m_close->width(), (height() - 20) / 2); }
    void mouseReleaseEvent(QMouseEvent *event) override {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
            m_router.setPage(AppRouter::Page::editor);
    }
    void paintEvent(QPaintEvent *) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        // The thumbnail's outline comes from a kept picture: drawn afresh, its translucent edges
        // would be sliced across Qt's thread pool in the window's first frame.
        const qreal ratio = devicePixelRatioF();
        if (m_router.page() == AppRouter::Page::editor) drawHighlight(p, rect(), Theme::rgb(0xFFFFFF, 0.03), ratio);
        const QRectF thumb(8, (height() - 28) / 2.0, 40, 28);
        drawImageFilled(p, m_thumbnail, Theme::continuousRoundedRect(thumb, 4));
        // The outline's half pixel outside the thumbnail is in the picture too.
        const QRect outline = thumb.toAlignedRect().adjusted(-1, -1, 1, 1);
        p.drawImage(outline.topLeft(),
                    keptPicture(QStringLiteral("openPrintOutline:%1").arg(Theme::line().rgba()), outline.size(), ratio,
                                [&](QPainter &k) {
                                    k.setPen(QPen(Theme::line(), 1));
                                    k.setBrush(Qt::NoBrush);
                                    k.drawPath(Theme::continuousRoundedRect(thumb.translated(-outline.topLeft()), 4));
                                }));
        const int left = int(thumb.right()) + 8;
        const QRect texts(left, 0, m_close->x() - 8 - left, height());
        const QFont title = Theme::font(12);
        const QFont size = Theme::monospaceFont(10);
        const int titleHeight = QFontMetrics(title).height(), sizeHeight = QFontMetrics(size).height();
        const int top = (height() - titleHeight - 1 - sizeHeight) / 2;
        // Laid out once for the process; each stands where drawing it in its line, centred down, would put it.
        const auto line = [&](const QFont &font, int lineTop, int lineHeight, const QColor &color,
                              const QString &text) {
            p.setFont(font);
            p.setPen(color);
            p.drawStaticText(QPointF(texts.left(), lineTop + (lineHeight - QFontMetricsF(font).height()) / 2),
                             laidOutText(text, font));
        };
        line(title, top, titleHeight, Theme::text2(), L("Print atual"));
        line(size, top + titleHeight + 1, sizeHeight, Theme::text3(), m_size);
    }

private:
    AppRouter &m_router;
    QAbstractButton *m_close;
    QImage m_thumbnail;
    LatestResult m_thumbnailAsked;
    QString m_size;
};

namespace {

// A widget with padding around one child.
QWidget *padded(QWidget *child, QMargins margins, QWidget *parent) {
    auto *box = new QWidget(parent);
    auto *layout = new QVBoxLayout(box);
    layout->setContentsMargins(margins);
    layout->setSpacing(0);
    layout->addWidget(child);
    return box;
}

} // namespace

AppSidebar::AppSidebar(AppRouter &router, ShortcutStore &shortcuts, TutorialStore &tutorials,
                       platform::UserDefaults &defaults, QWidget *parent)
    : QWidget(parent), m_router(router), m_shortcuts(shortcuts), m_tutorials(tutorials), m_defaults(defaults),
      m_width(new QVariantAnimation(this)) {
    setObjectName(QStringLiteral("sidebar"));
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Theme::panel());
    setPalette(palette);

    auto *column = new QVBoxLayout(this);
    column->setSpacing(4);
    column->addWidget(makeHeader());
    addItems(column);
    column->addWidget(makeOpenPrint());
    column->addStretch(1);
    addCaptureButtons(column);

    m_width->setDuration(180);
    m_width->setEasingCurve(QEasingCurve::OutCubic);
    connect(m_width, &QVariantAnimation::valueChanged, this,
            [this](const QVariant &value) { setFixedWidth(value.toInt()); });
    connect(&router, &AppRouter::pageChanged, this, [this] {
        refreshItems();
        m_openPrintRow->update();
    });
    connect(&router, &AppRouter::editorChanged, this, &AppSidebar::refreshOpenPrint);
    connect(&shortcuts, &ShortcutStore::shortcutsChanged, this, &AppSidebar::refreshShortcuts);
    connect(&tutorials, &TutorialStore::recordingChanged, this, &AppSidebar::refreshItems);
    defaults.onChange(Settings::sidebarCollapsed.key(), this,
                      [this] { setCollapsed(Settings::sidebarCollapsed.value(m_defaults), true); });
    refreshShortcuts();
    refreshOpenPrint();
    setCollapsed(Settings::sidebarCollapsed.value(defaults), false);
}

void AppSidebar::addItems(QVBoxLayout *column) {
    const QList<std::tuple<AppRouter::Page, const char *, const char *>> pages = {
        {AppRouter::Page::home, "Início", "house"},
        {AppRouter::Page::editor, "Editor", "slider.horizontal.3"},
        {AppRouter::Page::history, "Histórico", "clock.arrow.circlepath"},
        {AppRouter::Page::tutorial, "Tutoriais", "list.number"},
        {AppRouter::Page::brand, "Marca", "paintpalette"},
        {AppRouter::Page::settings, "Ajustes", "gearshape"},
    };
    for (const auto &[page, title, icon] : pages) {
        auto *item = new Item(QString::fromLatin1(icon), L(title), {32, 15, 13}, this);
        item->setObjectName(QStringLiteral("page:") +
                            QString::fromLatin1(QMetaEnum::fromType<AppRouter::Page>().valueToKey(int(page))));
        const QString key = PageKeys::label(page);
        item->setTrailing(key);
        item->setToolTip(L(title) + QStringLiteral(" · ") + key);
        connect(item, &QAbstractButton::clicked, this, [this, target = page] { m_router.setPage(target); });
        column->addWidget(item);
        m_items.insert(page, item);
    }
    // The red dot on "Tutoriais" while a tutorial is being recorded.
    m_recordingMark = new RecordingMark(this);
    m_recordingMark->setObjectName(QStringLiteral("recordingMark"));
    m_items.value(AppRouter::Page::tutorial)->setMark(m_recordingMark);
}

void AppSidebar::addCaptureButtons(QVBoxLayout *column) {
    m_captureHeading = padded(new SectionLabel(L("Capturar"), this), QMargins(10, 0, 10, 2), this);
    column->addWidget(m_captureHeading);
    const QList<std::tuple<ShortcutAction, const char *>> captures = {
        {ShortcutAction::captureArea, "viewfinder"},
        {ShortcutAction::captureWindow, "macwindow"},
        {ShortcutAction::captureFullScreen, "display"},
    };
    for (const auto &[action, icon] : captures) {
        auto *row = new Item(QString::fromLatin1(icon), CaptureCard::shortTitle(action), {28, 14, 12}, this);
        row->setObjectName(QStringLiteral("capture:") + ShortcutActions::rawValue(action));
        connect(row, &QAbstractButton::clicked, this, [start = action] { CaptureService::start(start); });
        column->addWidget(row);
        m_captures.insert(action, row);
    }
    column->addSpacing(12 - column->spacing());
}

QWidget *AppSidebar::makeHeader() {
    m_collapse = new SymbolButton(QStringLiteral("sidebar.left"), {}, QSize(28, 26), 15, Theme::text2(), this);
    m_collapse->setObjectName(QStringLiteral("collapseButton"));
    connect(m_collapse, &QAbstractButton::clicked, this,
            [this] { Settings::sidebarCollapsed.set(!Settings::sidebarCollapsed.value(m_defaults), m_defaults); });
    m_header = new Header(m_collapse, this);
    return m_header;
}

QString AppSidebar::openPrintSize() const { return m_openPrintRow->sizeText(); }

QWidget *AppSidebar::makeOpenPrint() {
    // The block of the capture open in the editor; hidden without one, or collapsed.
    m_openPrint = new QWidget(this);
    m_openPrint->setObjectName(QStringLiteral("openPrint"));
    auto *block = new QVBoxLayout(m_openPrint);
    block->setContentsMargins(0, 14, 0, 0);
    block->setSpacing(6);
    block->addWidget(padded(new SectionLabel(L("Aberto no Editor"), m_openPrint), QMargins(10, 0, 10, 0), m_openPrint));
    m_openPrintRow = new OpenPrintRow(m_router, m_openPrint);
    block->addWidget(m_openPrintRow);
    return m_openPrint;
}

void AppSidebar::setCollapsed(bool collapsed, bool animated) {
    m_collapsed = collapsed;
    const int margin = collapsed ? 6 : 8;
    layout()->setContentsMargins(margin, 0, margin, 0);
    static_cast<Header *>(m_header)->setCollapsed(collapsed);
    m_collapse->setToolTip((collapsed ? L("Mostrar a barra lateral") : L("Recolher a barra lateral")) +
                           QStringLiteral(" · ") + PageKeys::sidebarShortcut().displayString());
    m_collapse->setAccessibleName(collapsed ? L("Mostrar barra lateral") : L("Recolher barra lateral"));
    for (Item *item : std::as_const(m_items)) item->setCollapsed(collapsed);
    for (Item *item : std::as_const(m_captures)) item->setCollapsed(collapsed);
    m_captureHeading->setVisible(!collapsed);
    refreshItems();
    refreshOpenPrint();
    const int target = collapsed ? collapsedWidth : expandedWidth;
    m_width->stop();
    if (animated && isVisible()) {
        m_width->setStartValue(width());
        m_width->setEndValue(target);
        m_width->start();
    } else {
        setFixedWidth(target);
    }
}

void AppSidebar::refreshItems() {
    for (auto it = m_items.cbegin(); it != m_items.cend(); ++it) it.value()->setCurrent(m_router.page() == it.key());
    Item *editor = m_items.value(AppRouter::Page::editor);
    editor->setEnabled(m_router.editor() != nullptr);
    editor->setCursor(editor->isEnabled() ? Qt::PointingHandCursor : Qt::ArrowCursor);
    m_recordingMark->setVisible(m_tutorials.isRecording());
}

void AppSidebar::refreshOpenPrint() {
    EditorModel *editor = m_router.editor();
    m_openPrintRow->setModel(editor);
    m_openPrint->setVisible(editor && !m_collapsed);
    refreshItems();
}

void AppSidebar::refreshShortcuts() {
    for (auto it = m_captures.cbegin(); it != m_captures.cend(); ++it) {
        const QString keys = m_shortcuts.shortcut(it.key()).displayString();
        it.value()->setTrailing(keys);
        it.value()->setToolTip(ShortcutActions::title(it.key()) + QStringLiteral(" · ") + keys);
    }
}
