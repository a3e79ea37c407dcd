#include "tutorial_window/TutorialLibraryGrid.h"

#include "core/Localization.h"
#include "platform/Alert.h"
#include "platform/NamePrompt.h"
#include "platform/RelativeDate.h"
#include "tutorial_window/PictureLoader.h"
#include "tutorial_window/TutorialTexts.h"
#include "tutorials/TutorialStore.h"
#include "widgets/Icons.h"
#include "widgets/PlainText.h"
#include "widgets/Theme.h"

#include <QContextMenuEvent>
#include <QEasingCurve>
#include <QHelpEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QToolTip>
#include <QVariantAnimation>

#include <algorithm>

namespace {

constexpr int kPadding = 24;
constexpr int kSpacing = 18;
constexpr int kMinColumn = 250;
constexpr int kMaxColumn = 340;
constexpr int kCoverHeight = 150;
constexpr int kTextPadding = 12;
constexpr qreal kCardRadius = 12;
constexpr qreal kHoverScale = 0.01;
// Covers are drawn at most 340 × 150; twice that on the longer side is enough for any pixel ratio.
constexpr QSize kCoverBox{680, 680};

QFont titleFont() { return Theme::font(14, QFont::DemiBold); }
QFont subtitleFont() { return Theme::font(12); }

// Draws `image` over all of `area`, cutting what does not fit.
void drawFilled(QPainter &p, const QImage &image, const QRectF &area) {
    const QSizeF filled = QSizeF(image.size()).scaled(area.size(), Qt::KeepAspectRatioByExpanding);
    p.drawImage(QRectF(area.center().x() - filled.width() / 2, area.center().y() - filled.height() / 2, filled.width(),
                       filled.height()),
                image);
}

} // namespace

TutorialLibraryGrid::TutorialLibraryGrid(TutorialStore &store, PictureLoader &loader, QWidget *parent)
    : QWidget(parent), m_store(store), m_loader(loader), m_in(new QVariantAnimation(this)),
      m_out(new QVariantAnimation(this)) {
    setMouseTracking(true);
    setAttribute(Qt::WA_Hover);
    for (QVariantAnimation *animation : {m_in, m_out}) {
        animation->setDuration(200);
        animation->setEasingCurve(QEasingCurve::OutCubic);
    }
    connect(m_in, &QVariantAnimation::valueChanged, this, [this](const QVariant &v) {
        m_hoverIn = v.toReal();
        update();
    });
    connect(m_out, &QVariantAnimation::valueChanged, this, [this](const QVariant &v) {
        m_hoverOut = v.toReal();
        update();
    });
    connect(&loader, &PictureLoader::finished, this, qOverload<>(&QWidget::update));
}

void TutorialLibraryGrid::setTutorials(const QList<Tutorial> &tutorials) {
    m_tutorials = tutorials;
    setMinimumHeight(heightFor(width()));
    update();
}

QString TutorialLibraryGrid::title(const Tutorial &tutorial) {
    return tutorial.title.isEmpty() ? L("Sem título") : tutorial.title;
}

QString TutorialLibraryGrid::subtitle(const Tutorial &tutorial, const QDateTime &now) {
    return L(LKey(QStringLiteral("%@ · editado %@"),
                  {TutorialTexts::stepCount(tutorial.steps.size()), platform::relativeDate(tutorial.updatedAt, now)}));
}

TutorialLibraryGrid::Columns TutorialLibraryGrid::columns(int width) const {
    const int available = std::max(kMinColumn, width - 2 * kPadding);
    Columns c;
    c.count = std::max(1, (available + kSpacing) / (kMinColumn + kSpacing));
    c.width = std::min(kMaxColumn, (available - (c.count - 1) * kSpacing) / c.count);
    const int used = c.count * c.width + (c.count - 1) * kSpacing;
    c.left = std::max(kPadding, (width - used) / 2);
    return c;
}

int TutorialLibraryGrid::cardHeight() const {
    return kCoverHeight + kTextPadding + QFontMetrics(titleFont()).height() + 4 +
           QFontMetrics(subtitleFont()).height() + kTextPadding;
}

int TutorialLibraryGrid::heightFor(int width) const {
    if (m_tutorials.isEmpty()) return 2 * kPadding;
    const Columns c = columns(width);
    const qsizetype rows = (m_tutorials.size() + c.count - 1) / c.count;
    return 2 * kPadding + static_cast<int>(rows) * cardHeight() + static_cast<int>(rows - 1) * kSpacing;
}

QRect TutorialLibraryGrid::cardRect(qsizetype index) const {
    const Columns c = columns(width());
    const int row = static_cast<int>(index / c.count);
    const int column = static_cast<int>(index % c.count);
    return QRect(c.left + column * (c.width + kSpacing), kPadding + row * (cardHeight() + kSpacing), c.width,
                 cardHeight());
}

qsizetype TutorialLibraryGrid::cardAt(QPoint point) const {
    const Columns c = columns(width());
    const int column = (point.x() - c.left) / (c.width + kSpacing);
    const int row = (point.y() - kPadding) / (cardHeight() + kSpacing);
    if (point.x() < c.left || point.y() < kPadding || column >= c.count) return -1;
    const qsizetype index = qsizetype(row) * c.count + column;
    if (index >= m_tutorials.size()) return -1;
    const QPainterPath shape = Theme::continuousRoundedRect(QRectF(cardRect(index)), kCardRadius);
    return shape.contains(QPointF(point)) ? index : -1;
}

qreal TutorialLibraryGrid::hoverOf(const QUuid &id) const {
    if (m_hovered == id) return m_hoverIn;
    if (m_leaving == id) return m_hoverOut;
    return 0;
}

void TutorialLibraryGrid::setHovered(const std::optional<QUuid> &id) {
    if (id == m_hovered) return;
    if (m_hovered) {
        m_leaving = m_hovered;
        m_out->stop();
        m_out->setStartValue(m_hoverIn);
        m_out->setEndValue(0.0);
        m_out->start();
    }
    m_hovered = id;
    m_in->stop();
    m_hoverIn = 0;
    if (id) {
        m_in->setStartValue(id == m_leaving ? m_hoverOut : 0.0);
        m_in->setEndValue(1.0);
        m_in->start();
    }
    update();
}

void TutorialLibraryGrid::paintEvent(QPaintEvent *event) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    // Only what shows: a repaint of the whole grid still costs the cards on screen, not all of them.
    const QRect dirty = event->rect() & visibleRegion().boundingRect();
    for (qsizetype i = 0; i < m_tutorials.size(); ++i) {
        const QRect card = cardRect(i);
        if (card.top() > dirty.bottom() + 8) break;
        if (!card.adjusted(-8, -8, 8, 8).intersects(dirty)) continue;
        const Tutorial &tutorial = m_tutorials[i];
        const qreal hover = hoverOf(tutorial.id);
        // Kept pixels are for the screen; any other device (a printer, a recording) gets the drawing.
        if (hover > 0 || p.paintEngine()->type() != QPaintEngine::Raster) {
            paintCard(p, tutorial, card, hover);
            continue;
        }
        // Resting cards are drawn once and kept: typing in the search moves them around, and the
        // rounded outline is what costs.
        const QImage cover = coverOf(tutorial);
        // A cover still decoding and one that cannot be read are both null, and drawn differently.
        const QString key = QStringLiteral("%1|%2|%3|%4|%5|%6|%7")
                                .arg(tutorial.id.toString(), title(tutorial), subtitle(tutorial))
                                .arg(card.width())
                                .arg(cover.cacheKey())
                                .arg(cover.isNull() && hasNoCover(tutorial))
                                .arg(devicePixelRatioF());
        if (const QPixmap *drawn = m_drawn.object(key)) {
            p.drawPixmap(card.topLeft(), *drawn);
            continue;
        }
        QPixmap drawn(card.size() * devicePixelRatioF());
        drawn.setDevicePixelRatio(devicePixelRatioF());
        drawn.fill(Qt::transparent);
        {
            QPainter painter(&drawn);
            painter.setRenderHint(QPainter::Antialiasing);
            paintCard(painter, tutorial, QRect(QPoint(0, 0), card.size()), 0);
        }
        p.drawPixmap(card.topLeft(), drawn);
        m_drawn.insert(key, new QPixmap(drawn));
    }
}

QString TutorialLibraryGrid::coverPath(const Tutorial &tutorial) const {
    if (tutorial.steps.isEmpty() || !isBareFileName(tutorial.steps.constFirst().imageFile)) return {};
    return m_store.folder(tutorial.id) + QLatin1Char('/') + tutorial.steps.constFirst().imageFile;
}

QImage TutorialLibraryGrid::coverOf(const Tutorial &tutorial) {
    const QString path = coverPath(tutorial);
    return path.isEmpty() ? QImage() : m_loader.picture(path, kCoverBox);
}

bool TutorialLibraryGrid::hasNoCover(const Tutorial &tutorial) const {
    const QString path = coverPath(tutorial);
    return path.isEmpty() || m_loader.state(path, kCoverBox) == PictureLoader::State::failed;
}

void TutorialLibraryGrid::paintCard(QPainter &p, const Tutorial &tutorial, const QRect &card, qreal hover) {
    p.save();
    const QPointF centre = QRectF(card).center();
    const qreal scale = 1 + kHoverScale * hover;
    p.translate(centre);
    p.scale(scale, scale);
    p.translate(-centre);
    const QRectF r = QRectF(card).adjusted(0.5, 0.5, -0.5, -0.5);
    const QPainterPath shape = Theme::continuousRoundedRect(r, kCardRadius);
    p.save();
    p.setClipPath(shape);
    p.fillRect(r, Theme::panel());
    const QRectF cover(r.left(), r.top(), r.width(), kCoverHeight);
    p.fillRect(cover, Theme::raised());
    const QImage picture = coverOf(tutorial);
    if (!picture.isNull()) {
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        drawFilled(p, picture, cover);
    } else if (hasNoCover(tutorial)) {
        constexpr int symbol = 28;
        p.drawPixmap(
            QPointF(cover.center().x() - symbol / 2.0, cover.center().y() - symbol / 2.0),
            Icons::pixmap(QStringLiteral("list.number"), symbol, Theme::text3(), p.device()->devicePixelRatioF()));
    }
    const qreal textWidth = r.width() - 2 * kTextPadding;
    qreal y = cover.bottom() + kTextPadding;
    const QFontMetricsF titleMetrics(titleFont());
    p.setFont(titleFont());
    p.setPen(Theme::text());
    p.drawText(QRectF(r.left() + kTextPadding, y, textWidth, titleMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
               // Cut in the middle: the end tells a duplicate ("(cópia)") from its original.
               titleMetrics.elidedText(title(tutorial), Qt::ElideMiddle, textWidth));
    y += titleMetrics.height() + 4;
    const QFontMetricsF subtitleMetrics(subtitleFont());
    p.setFont(subtitleFont());
    p.setPen(Theme::text3());
    p.drawText(QRectF(r.left() + kTextPadding, y, textWidth, subtitleMetrics.height()),
               Qt::AlignLeft | Qt::AlignVCenter,
               subtitleMetrics.elidedText(subtitle(tutorial), Qt::ElideRight, textWidth));
    p.restore();
    QColor stroke = Theme::line();
    if (hover > 0) {
        const QColor to = Theme::accentLine();
        stroke = QColor::fromRgbF(stroke.redF() + (to.redF() - stroke.redF()) * float(hover),
                                  stroke.greenF() + (to.greenF() - stroke.greenF()) * float(hover),
                                  stroke.blueF() + (to.blueF() - stroke.blueF()) * float(hover),
                                  stroke.alphaF() + (to.alphaF() - stroke.alphaF()) * float(hover));
    }
    p.setPen(QPen(stroke, 1));
    p.setBrush(Qt::NoBrush);
    p.drawPath(shape);
    p.restore();
}

void TutorialLibraryGrid::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    setMinimumHeight(heightFor(width()));
}

void TutorialLibraryGrid::mouseMoveEvent(QMouseEvent *event) {
    const qsizetype index = cardAt(event->position().toPoint());
    setHovered(index >= 0 ? std::optional(m_tutorials[index].id) : std::nullopt);
}

void TutorialLibraryGrid::leaveEvent(QEvent *event) {
    QWidget::leaveEvent(event);
    setHovered(std::nullopt);
}

void TutorialLibraryGrid::mousePressEvent(QMouseEvent *event) {
    const qsizetype index = cardAt(event->position().toPoint());
    m_pressed = event->button() == Qt::LeftButton && index >= 0 ? std::optional(m_tutorials[index].id) : std::nullopt;
}

void TutorialLibraryGrid::mouseReleaseEvent(QMouseEvent *event) {
    const std::optional<QUuid> pressed = std::exchange(m_pressed, std::nullopt);
    const qsizetype index = cardAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && pressed && index >= 0 && m_tutorials[index].id == *pressed)
        m_store.open(*pressed);
}

QMenu *TutorialLibraryGrid::contextMenu(qsizetype index) {
    auto *menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const Tutorial tutorial = m_tutorials.value(index);
    const QUuid id = tutorial.id;
    menu->addAction(L("Abrir"), this, [this, id] { m_store.open(id); });
    menu->addAction(L("Renomear…"), this, [this, tutorial] { rename(tutorial); });
    menu->addAction(L("Duplicar"), this, [this, id] { m_store.duplicate(id); });
    menu->addSeparator();
    menu->addAction(L("Excluir…"), this, [this, tutorial] { confirmDelete(tutorial); });
    return menu;
}

void TutorialLibraryGrid::contextMenuEvent(QContextMenuEvent *event) {
    const qsizetype index = cardAt(event->pos());
    if (index < 0) return;
    contextMenu(index)->popup(event->globalPos());
}

void TutorialLibraryGrid::rename(const Tutorial &tutorial) {
    const std::optional<QString> typed =
        platform::NamePrompt::shared().run({L("Renomear tutorial"), {}, tutorial.title, L("Renomear"), L("Cancelar")});
    if (typed) m_store.rename(tutorial.id, *typed);
}

void TutorialLibraryGrid::confirmDelete(const Tutorial &tutorial) {
    const int answer =
        platform::AlertPresenter::shared().run({L(LKey(QStringLiteral("Excluir “%@”?"), {tutorial.title})),
                                                L("Os passos e as imagens deste tutorial serão apagados."),
                                                {L("Excluir"), L("Cancelar")},
                                                1});
    if (answer == 0) m_store.delete_(tutorial.id);
}

bool TutorialLibraryGrid::event(QEvent *event) {
    if (event->type() == QEvent::ToolTip) {
        auto *help = static_cast<QHelpEvent *>(event);
        // The whole title first: a long one is cut short on its card.
        if (const qsizetype index = cardAt(help->pos()); index >= 0)
            QToolTip::showText(help->globalPos(),
                               plainToolTip(title(m_tutorials[index]) + QLatin1Char('\n') +
                                            L("Clique para abrir · botão direito: renomear, duplicar ou excluir")),
                               this);
        else QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}
