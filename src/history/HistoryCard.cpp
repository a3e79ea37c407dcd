#include "history/HistoryCard.h"

#include "core/Localization.h"
#include "core/Notifier.h"
#include "history/HistoryStore.h"
#include "history/StoredCapture.h"
#include "history/HistoryText.h"
#include "platform/FileReveal.h"
#include "platform/LongDate.h"
#include "platform/Pasteboard.h"
#include "widgets/HoverProgress.h"
#include "widgets/Icons.h"
#include "widgets/OverlayButton.h"
#include "widgets/Spinner.h"
#include "widgets/Theme.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QContextMenuEvent>
#include <QMenu>
#include <QPainter>
#include <QTextLayout>

#include <cmath>

namespace {

constexpr int kPadding = 8;
constexpr int kSpacing = 8;
constexpr qreal kThumbnailAspect = 1.6;
constexpr qreal kCardRadius = 12;
constexpr qreal kBoxRadius = 9;
constexpr qreal kPictureRadius = 4;
constexpr int kPictureInset = 8;
constexpr int kButtonSide = 24;
constexpr int kButtonSpacing = 4;
constexpr int kButtonInset = 6;
constexpr qreal kButtonDisc = 0.72;
constexpr int kSnippetLines = 2;
const QColor kBoxFill(21, 21, 27);

QFont timeFont() { return Theme::font(12, QFont::Medium); }
QFont sizeFont() { return Theme::monospaceFont(11); }
QFont snippetFont() { return Theme::font(12); }

int infoHeight() { return std::max(QFontMetrics(timeFont()).height(), QFontMetrics(sizeFont()).height()); }
int snippetHeight() { return kSnippetLines * QFontMetrics(snippetFont()).lineSpacing(); }
int thumbnailHeight(int width) { return int(std::lround((width - 2 * kPadding) / kThumbnailAspect)); }

// The card is one element to assistive technology, named after its capture, with one action.
class CardAccessible final : public QAccessibleWidget {
public:
    explicit CardAccessible(HistoryCard *card) : QAccessibleWidget(card, QAccessible::ListItem) {}
    int childCount() const override { return 0; }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QStringList actionNames() const override { return {L("Abrir no Editor")}; }
    void doAction(const QString &name) override {
        auto *card = static_cast<HistoryCard *>(widget());
        if (name == L("Abrir no Editor")) emit card->openRequested(card->entry());
    }
    QStringList keyBindingsForAction(const QString &) const override { return {}; }
};

QAccessibleInterface *cardAccessible(const QString &className, QObject *object) {
    if (className == QLatin1String("HistoryCard") && object && object->isWidgetType())
        return new CardAccessible(static_cast<HistoryCard *>(object));
    return nullptr;
}

// The text cut to `lines` lines of `width`, the last one ending in "…" when more would follow.
QString fittedText(const QString &text, const QFont &font, int width, int lines) {
    QTextLayout layout(text, font);
    layout.beginLayout();
    qsizetype lastStart = 0;
    int count = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        if (++count == lines) lastStart = line.textStart();
        if (count > lines) {
            layout.endLayout();
            const QString rest = QFontMetrics(font).elidedText(text.mid(lastStart), Qt::ElideRight, width);
            return text.left(lastStart) + rest;
        }
    }
    layout.endLayout();
    return text;
}

} // namespace

HistoryCard::HistoryCard(HistoryStore &history, QWidget *parent)
    : QWidget(parent), m_history(history), m_hover(new HoverProgress(this, 120)),
      m_copy(new OverlayButton(QStringLiteral("doc.on.doc"), L("Copiar"), kButtonSide, kButtonDisc, this)),
      m_open(new OverlayButton(QStringLiteral("slider.horizontal.3"), L("Abrir no Editor"), kButtonSide, kButtonDisc,
                               this)),
      m_delete(new OverlayButton(QStringLiteral("trash"), L("Excluir"), kButtonSide, kButtonDisc, this)) {
    static const bool accessible = (QAccessible::installFactory(&cardAccessible), true);
    Q_UNUSED(accessible);
    setToolTip(L("Clique duas vezes para abrir no Editor"));
    m_copy->setObjectName(QStringLiteral("copyButton"));
    m_open->setObjectName(QStringLiteral("openButton"));
    m_delete->setObjectName(QStringLiteral("deleteButton"));
    for (QAbstractButton *button : {m_copy, m_open, m_delete})
        static_cast<OverlayButton *>(button)->followHover(m_hover);
    connect(m_copy, &QAbstractButton::clicked, this, [this] { copyImage(); });
    connect(m_open, &QAbstractButton::clicked, this, [this] { emit openRequested(m_entry); });
    connect(m_delete, &QAbstractButton::clicked, this, [this] { emit deleteRequested(m_entry); });
    m_spin.setInterval(Spinner::stepMs);
    connect(&m_spin, &QTimer::timeout, this, [this] { update(thumbnailRect()); });
    // The pixel size shows as soon as the store knows it, on the card already on screen.
    connect(&history, &HistoryStore::recordStored, this, [this](const QString &path) {
        if (path == m_entry.path()) update();
    });
}

HistoryCard::~HistoryCard() { letGoOfPicture(); }

int HistoryCard::heightFor(int width, bool withSnippet) {
    return kPadding + thumbnailHeight(width) + kSpacing + infoHeight() +
           (withSnippet ? kSpacing + snippetHeight() : 0) + kPadding;
}

void HistoryCard::setEntry(const HistoryEntry &entry) {
    if (entry == m_entry && !entry.path().isEmpty()) return;
    const bool sameFile = entry.path() == m_entry.path();
    m_entry = entry;
    if (!sameFile) {
        letGoOfPicture();
        m_image = {};
        m_scaled = {};
        m_picture = Picture::none;
        if (!entry.path().isEmpty()) askForPicture();
    }
    setAccessibleName(entry.path().isEmpty() ? QString()
                                             : L(LKey("Print de %@", {platform::abbreviatedDateTime(entry.date())})));
    update();
}

void HistoryCard::setSnippet(const std::optional<QString> &snippet, const QString &query) {
    if (snippet == m_snippet && query == m_query) return;
    m_snippet = snippet;
    m_query = query;
    m_mark = snippet ? HistoryText::firstMatch(*snippet, query) : std::nullopt;
    layOutSnippet();
    update();
}

void HistoryCard::setSelected(bool selected) {
    if (selected == m_selected) return;
    m_selected = selected;
    update();
}

QString HistoryCard::timeText() const { return platform::shortTime(m_entry.date()); }

QString HistoryCard::sizeText() const {
    const std::optional<QSize> size = m_history.dimensions(m_entry);
    if (!size) return {};
    return L(LKey("%lld × %lld", {QString::number(size->width()), QString::number(size->height())}));
}

bool HistoryCard::isHovering() const { return m_hover->isHovering(); }

// --- The thumbnail ---

void HistoryCard::askForPicture() {
    const LatestResult::Ticket ticket = m_pictureAsked.next();
    m_picture = Picture::loading;
    m_asking = m_entry.path();
    QFuture<QImage> future = m_history.thumbnail(m_asking);
    if (future.isFinished()) {
        pictureArrived(ticket, future.resultCount() > 0 ? future.result() : QImage());
    } else {
        future.then(this, [this, ticket](const QImage &image) { pictureArrived(ticket, image); });
        updateSpinning();
    }
}

void HistoryCard::letGoOfPicture() {
    m_pictureAsked.drop(); // whatever is still on its way is dropped
    if (!m_asking.isEmpty()) m_history.releaseThumbnail(m_asking);
    m_asking.clear();
    m_spin.stop();
}

void HistoryCard::pictureArrived(const LatestResult::Ticket &ticket, const QImage &image) {
    if (!ticket.isCurrent()) return;
    m_asking.clear();
    m_image = image;
    m_scaled = {};
    m_picture = image.isNull() ? Picture::unreadable : Picture::shown;
    updateSpinning();
    update(thumbnailRect());
}

void HistoryCard::updateSpinning() {
    if (m_picture == Picture::loading && isVisible()) m_spin.start();
    else m_spin.stop();
}

void HistoryCard::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    updateSpinning();
}

void HistoryCard::hideEvent(QHideEvent *event) {
    QWidget::hideEvent(event);
    m_spin.stop();
}

// --- Actions ---

void HistoryCard::copyImage() { StoredCapture::copy(m_entry.path(), m_image); }

void HistoryCard::copyText(const QString &text) {
    if (platform::Pasteboard::shared().setContents({{QStringLiteral("text/plain"), text.toUtf8()}}))
        Notifier::shared().notify({m_image, L("Texto copiado"), L("Cole com ⌘V")});
    else
        Notifier::shared().notify({m_image, L("Não foi possível copiar"),
                                   L("A área de transferência não aceitou o texto."), ToastKind::failure});
}

QMenu *HistoryCard::createMenu(QWidget *parent) {
    auto *menu = new QMenu(parent);
    const HistoryEntry entry = m_entry;
    // The card may show another capture by the time an item is chosen: each acts on this entry.
    menu->addAction(L("Abrir no Editor"), this, [this, entry] { emit openRequested(entry); });
    menu->addAction(L("Copiar imagem"), menu,
                    [entry, thumbnail = m_image] { StoredCapture::copy(entry.path(), thumbnail); });
    const QString text = m_history.text(entry);
    QAction *copyTextAction = menu->addAction(L("Copiar texto do print"), this, [this, text] { copyText(text); });
    copyTextAction->setEnabled(!text.isEmpty());
    menu->addAction(L("Mostrar no Finder"), menu,
                    [path = entry.path()] { platform::FileReveal::shared().reveal(path); });
    menu->addSeparator();
    menu->addAction(L("Excluir"), this, [this, entry] { emit deleteRequested(entry); });
    return menu;
}

void HistoryCard::mousePressEvent(QMouseEvent *event) {
    if (event->button() == Qt::LeftButton) emit selectRequested(m_entry);
    QWidget::mousePressEvent(event);
}

void HistoryCard::mouseDoubleClickEvent(QMouseEvent *event) {
    if (event->button() != Qt::LeftButton) return;
    // Selected too: a double click may arrive without the press before it (assistive tools).
    emit selectRequested(m_entry);
    emit openRequested(m_entry);
}

void HistoryCard::contextMenuEvent(QContextMenuEvent *event) {
    QMenu *menu = createMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

// --- Layout and drawing ---

QRect HistoryCard::thumbnailRect() const {
    return {kPadding, kPadding, width() - 2 * kPadding, thumbnailHeight(width())};
}

void HistoryCard::placeButtons() {
    const QRect box = thumbnailRect();
    int x = box.right() + 1 - kButtonInset - 3 * kButtonSide - 2 * kButtonSpacing;
    for (QAbstractButton *button : {m_copy, m_open, m_delete}) {
        button->move(x, box.top() + kButtonInset);
        x += kButtonSide + kButtonSpacing;
    }
}

void HistoryCard::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    placeButtons();
    m_scaled = {};
    layOutSnippet();
}

void HistoryCard::layOutSnippet() {
    m_snippetLayout.reset();
    if (!m_snippet) return;
    const int width = this->width() - 2 * kPadding;
    const QString shown = fittedText(*m_snippet, snippetFont(), width, kSnippetLines);
    m_snippetLayout = std::make_unique<QTextLayout>(shown, snippetFont());
    if (m_mark && m_mark->first < shown.size()) {
        QTextLayout::FormatRange marked;
        marked.start = int(m_mark->first);
        marked.length = int(std::min(m_mark->second, shown.size() - m_mark->first));
        marked.format.setForeground(Theme::text());
        QColor background = Theme::accent();
        background.setAlphaF(0.28f);
        marked.format.setBackground(background);
        m_snippetLayout->setFormats({marked});
    }
    m_snippetLayout->beginLayout();
    int y = 0;
    for (QTextLine line = m_snippetLayout->createLine(); line.isValid(); line = m_snippetLayout->createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, y));
        y += QFontMetrics(snippetFont()).lineSpacing();
    }
    m_snippetLayout->endLayout();
}

void HistoryCard::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (m_selected) {
        const QPainterPath card =
            Theme::continuousRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), kCardRadius);
        p.fillPath(card, Theme::accentSoft());
        p.strokePath(card, QPen(Theme::accentLine(), 1));
    }
    const QRect box = thumbnailRect();
    paintThumbnail(p, box);
    const int infoTop = box.bottom() + 1 + kSpacing;
    paintInfo(p, infoTop);
    if (m_snippetLayout) {
        p.setPen(Theme::text2());
        m_snippetLayout->draw(&p, QPointF(kPadding, infoTop + infoHeight() + kSpacing));
    }
}

void HistoryCard::paintThumbnail(QPainter &p, const QRect &box) {
    const QPainterPath frame = Theme::continuousRoundedRect(QRectF(box).adjusted(0.5, 0.5, -0.5, -0.5), kBoxRadius);
    p.fillPath(frame, kBoxFill);
    const QRect inner = box.adjusted(kPictureInset, kPictureInset, -kPictureInset, -kPictureInset);
    if (m_picture == Picture::shown && !inner.isEmpty()) {
        const QSize fitted = m_image.size().scaled(inner.size(), Qt::KeepAspectRatio);
        const QRect target(inner.topLeft() +
                               QPoint((inner.width() - fitted.width()) / 2, (inner.height() - fitted.height()) / 2),
                           fitted);
        const qreal ratio = devicePixelRatioF();
        // Scaled once per size, so that scrolling only copies pixels.
        if (m_scaled.isNull() || m_scaled.size() != target.size() * ratio) {
            m_scaled = QPixmap::fromImage(
                m_image.scaled(target.size() * ratio, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
            m_scaled.setDevicePixelRatio(ratio);
        }
        p.save();
        p.setClipPath(Theme::continuousRoundedRect(QRectF(target), kPictureRadius));
        p.drawPixmap(target.topLeft(), m_scaled);
        p.restore();
    } else if (m_picture == Picture::loading) {
        Spinner::paint(p, QRectF(box.center().x() - 8, box.center().y() - 8, 16, 16), Theme::text3());
    } else if (m_picture == Picture::unreadable) {
        const int side = 22;
        p.drawPixmap(box.center().x() - side / 2, box.center().y() - side / 2,
                     Icons::pixmap(QStringLiteral("photo"), side, Theme::text3(), devicePixelRatioF()));
    }
    p.strokePath(frame, QPen(Theme::mix(Theme::line(), Theme::lineStrong(), m_hover->value()), 1));
}

void HistoryCard::paintInfo(QPainter &p, int top) {
    const int height = infoHeight();
    const QString time = timeText();
    p.setFont(timeFont());
    p.setPen(Theme::text2());
    const int timeWidth = QFontMetrics(timeFont()).horizontalAdvance(time);
    const int room = width() - 2 * kPadding;
    p.drawText(QRect(kPadding, top, std::min(timeWidth, room), height), Qt::AlignLeft | Qt::AlignVCenter, time);
    const QString size = sizeText();
    if (size.isEmpty()) return;
    p.setFont(sizeFont());
    p.setPen(Theme::text3());
    const int x = kPadding + timeWidth + 6;
    p.drawText(QRect(x, top, std::max(0, kPadding + room - x), height), Qt::AlignLeft | Qt::AlignVCenter,
               QFontMetrics(sizeFont()).elidedText(size, Qt::ElideRight, std::max(0, kPadding + room - x)));
}
