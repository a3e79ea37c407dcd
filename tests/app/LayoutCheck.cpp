#include "LayoutCheck.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QGraphicsEffect>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QtMath>
#include <QTextEdit>
#include <QTextItem>
#include <QToolTip>
#include <QHelpEvent>

namespace {

// Half a pixel of anti-aliasing and rounding either way is not a cut.
constexpr qreal kSlack = 1.0;

QString shortText(QString text) {
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text.size() > 48 ? text.left(47) + QChar(0x2026) : text;
}

QString ownText(const QWidget *widget) {
    if (const auto *label = qobject_cast<const QLabel *>(widget)) return label->text();
    if (const auto *button = qobject_cast<const QAbstractButton *>(widget)) return button->text();
    return widget->accessibleName();
}

QString rectText(const QRectF &r) {
    return QStringLiteral("%1,%2 %3×%4")
        .arg(r.x(), 0, 'f', 0)
        .arg(r.y(), 0, 'f', 0)
        .arg(r.width(), 0, 'f', 0)
        .arg(r.height(), 0, 'f', 0);
}

// Widgets whose text scrolls within them by design.
bool editsText(const QWidget *widget) {
    for (const QWidget *w = widget; w && !w->isWindow(); w = w->parentWidget())
        if (qobject_cast<const QLineEdit *>(w) || qobject_cast<const QTextEdit *>(w) ||
            qobject_cast<const QPlainTextEdit *>(w))
            return true;
    return false;
}

// A paint device that draws nothing and notes every text drawn on it, where, within which clip, and by
// which widget.
class TextRecorder final : public QPaintDevice {
public:
    struct Drawn {
        QPointer<QWidget> widget;
        QString text;
        QRectF box;  // the text's laid-out box, in the window's coordinates
        QRectF clip; // the space it was drawn in
    };

    explicit TextRecorder(QSize size) : m_size(size), m_reference(1, 1, QImage::Format_ARGB32_Premultiplied) {}
    ~TextRecorder() override = default;

    QPaintEngine *paintEngine() const override { return &m_engine; }
    QList<Drawn> drawn;
    QPointer<QWidget> painting;

protected:
    int metric(PaintDeviceMetric metric) const override {
        switch (metric) {
        case PdmWidth: return m_size.width();
        case PdmHeight: return m_size.height();
        case PdmWidthMM: return m_size.width() * 254 / 960;
        case PdmHeightMM: return m_size.height() * 254 / 960;
        default: return m_reference.metric(metric);
        }
    }

private:
    struct Reference : QImage {
        using QImage::QImage;
        int metric(PaintDeviceMetric m) const { return QImage::metric(m); }
    };
    class Engine final : public QPaintEngine {
    public:
        explicit Engine(TextRecorder &owner) : QPaintEngine(AllFeatures), m_owner(owner) {}
        bool begin(QPaintDevice *) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState &) override {}
        void drawPixmap(const QRectF &, const QPixmap &, const QRectF &) override {}
        void drawImage(const QRectF &, const QImage &, const QRectF &, Qt::ImageConversionFlags) override {}
        void drawTiledPixmap(const QRectF &, const QPixmap &, const QPointF &) override {}
        void drawPath(const QPainterPath &) override {}
        void drawPolygon(const QPointF *, int, PolygonDrawMode) override {}
        void drawPolygon(const QPoint *, int, PolygonDrawMode) override {}
        void drawRects(const QRectF *, int) override {}
        void drawRects(const QRect *, int) override {}
        void drawLines(const QLineF *, int) override {}
        void drawLines(const QLine *, int) override {}
        void drawEllipse(const QRectF &) override {}
        void drawEllipse(const QRect &) override {}
        void drawPoints(const QPointF *, int) override {}
        void drawPoints(const QPoint *, int) override {}
        void drawTextItem(const QPointF &at, const QTextItem &item) override {
            QPainter *p = painter();
            if (!p || item.text().trimmed().isEmpty()) return;
            const QTransform toDevice = p->deviceTransform();
            const QRectF laidOut(at.x(), at.y() - item.ascent(), item.width(), item.ascent() + item.descent());
            const QRectF box = toDevice.mapRect(laidOut);
            QRectF clip(QPointF(0, 0), QSizeF(m_owner.m_size));
            if (!systemClip().isEmpty()) clip &= QRectF(systemClip().boundingRect());
            if (p->hasClipping()) clip &= toDevice.mapRect(p->clipBoundingRect());
            m_owner.drawn.append({m_owner.painting, item.text(), box, clip});
        }
        Type type() const override { return User; }

    private:
        TextRecorder &m_owner;
    };

    QSize m_size;
    Reference m_reference;
    mutable Engine m_engine{*this};
};

// Follows which widget paints while the window is rendered.
class PaintFollower final : public QObject {
public:
    explicit PaintFollower(TextRecorder &recorder) : m_recorder(recorder) { qApp->installEventFilter(this); }
    ~PaintFollower() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() == QEvent::Paint && watched->isWidgetType())
            m_recorder.painting = static_cast<QWidget *>(watched);
        return false;
    }

private:
    TextRecorder &m_recorder;
};

// Whether `text` is one of our texts that ends in "…" of its own ("Salvar como PNG…"), rather than one
// cut short.
bool endsInEllipsisOfItsOwn(const QString &text) {
    static const QList<QRegularExpression> whole = [] {
        QList<QRegularExpression> patterns;
        QFile file(QStringLiteral(":/strings/en.json"));
        if (!file.open(QIODevice::ReadOnly)) return patterns;
        const QJsonObject table = QJsonDocument::fromJson(file.readAll()).object();
        for (auto it = table.begin(); it != table.end(); ++it)
            for (const QString &known : {it.key(), it.value().toString()})
                if (known.contains(QChar(0x2026)))
                    patterns << QRegularExpression(QStringLiteral("^%1$").arg(
                        QRegularExpression::escape(known).replace(QStringLiteral("\\%\\@"), QStringLiteral(".*"))));
        return patterns;
    }();
    for (const QRegularExpression &pattern : whole)
        if (pattern.match(text).hasMatch()) return true;
    return false;
}

constexpr QChar kEllipsis(0x2026);

// Whether the tooltip `widget` shows at `at` (in the window) holds the whole of `shortened`, a text cut
// with "…" at its end or in its middle.
bool tooltipShowsWhole(QWidget *widget, QPointF at, const QString &shortened) {
    const qsizetype cut = shortened.indexOf(kEllipsis);
    const QString before = shortened.left(cut).trimmed(), after = shortened.mid(cut + 1).trimmed();
    for (QWidget *up = widget; up; up = up->isWindow() ? nullptr : up->parentWidget()) {
        const QPoint local = up->mapFrom(up->window(), at.toPoint());
        QHelpEvent help(QEvent::ToolTip, local, up->mapToGlobal(local));
        QApplication::sendEvent(up, &help);
        const QString shown = QToolTip::isVisible() ? QToolTip::text() : QString();
        // Gone now rather than after its fade, so that the next question sees only its own answer.
        for (QWidget *top : QApplication::topLevelWidgets())
            if (top->inherits("QTipLabel")) top->hide();
        for (const QString &line : shown.split(QLatin1Char('\n')))
            if (line.size() >= shortened.size() && line.startsWith(before) && line.endsWith(after)) return true;
        if (!shown.isEmpty()) return false;
    }
    return false;
}

bool isControl(const QWidget *w) {
    if (const auto *label = qobject_cast<const QLabel *>(w))
        return !label->text().isEmpty() || !label->pixmap().isNull();
    if (qobject_cast<const QAbstractButton *>(w) || qobject_cast<const QLineEdit *>(w) ||
        qobject_cast<const QComboBox *>(w) || qobject_cast<const QAbstractSlider *>(w) ||
        qobject_cast<const QAbstractSpinBox *>(w))
        return true;
    // The kit's own painted controls.
    for (const char *name : {"Keycap", "KeycapRow", "SegmentedRow", "SectionLabel", "ShortcutRecorder", "ToggleSwitch"})
        if (w->inherits(name)) return true;
    return false;
}

bool isScrolledContent(const QWidget *w) {
    const QWidget *parent = w->parentWidget();
    const auto *area = parent ? qobject_cast<const QAbstractScrollArea *>(parent->parentWidget()) : nullptr;
    return area && area->viewport() == parent;
}

QRect inWindow(const QWidget *w) { return QRect(w->mapTo(w->window(), QPoint(0, 0)), w->size()); }

// The viewport of the nearest scroll area holding `w`, if any.
const QWidget *scrollViewportOf(const QWidget *w) {
    for (const QWidget *up = w; up && !up->isWindow(); up = up->parentWidget())
        if (const auto *area = qobject_cast<const QAbstractScrollArea *>(up->parentWidget());
            area && area->viewport() == up)
            return up;
    return nullptr;
}

// Fields not being typed in that show the end of a text too long for them.
void fieldFaults(QWidget &window, QStringList &faults) {
    for (QLineEdit *field : window.findChildren<QLineEdit *>()) {
        if (!field->isVisibleTo(&window) || field->hasFocus() || field->text().isEmpty() ||
            field->echoMode() != QLineEdit::Normal)
            continue;
        QStyleOptionFrame option;
        option.initFrom(field);
        const QRect inside = field->style()
                                 ->subElementRect(QStyle::SE_LineEditContents, &option, field)
                                 .marginsRemoved(field->textMargins());
        // The line edit keeps two pixels either side of its text.
        const int room = inside.width() - 4;
        const int needs = qCeil(QFontMetricsF(field->font()).horizontalAdvance(field->text()));
        // Cut at its end, a field reads as the start of its text; scrolled, as a garbled one.
        if (needs > room + 1 && field->cursorPosition() > 0)
            faults << QStringLiteral("field shows the end of its text: \"%1\" needs %2 px, has %3, in %4")
                          .arg(shortText(field->text()))
                          .arg(needs)
                          .arg(room)
                          .arg(describeWidget(field));
    }
}

// Scroll areas that show content sideways behind a scroll bar.
void sidewaysFaults(QWidget &window, QStringList &faults) {
    for (QAbstractScrollArea *area : window.findChildren<QAbstractScrollArea *>()) {
        if (!area->isVisibleTo(&window) || qobject_cast<QTextEdit *>(area) || qobject_cast<QPlainTextEdit *>(area))
            continue;
        const QScrollBar *bar = area->horizontalScrollBar();
        if (bar->isVisibleTo(&window) && bar->maximum() > 0)
            faults << QStringLiteral("scrolls sideways by %1 px behind a scroll bar: %2 of %3 px wide")
                          .arg(bar->maximum())
                          .arg(describeWidget(area))
                          .arg(area->viewport()->width());
    }
}

void treeFaults(QWidget &window, QStringList &faults) {
    const QList<QWidget *> all = window.findChildren<QWidget *>();
    for (QWidget *w : all) {
        if (!w->isVisibleTo(&window) || w->isWindow() || w->size().isEmpty()) continue;
        QWidget *parent = w->parentWidget();
        // Reaching past the parent: the part outside is never seen.
        if (!isScrolledContent(w)) {
            const int past = std::max(
                {parent->rect().left() - w->geometry().left(), w->geometry().right() - parent->rect().right(),
                 parent->rect().top() - w->geometry().top(), w->geometry().bottom() - parent->rect().bottom()});
            if (past > 1)
                faults << QStringLiteral("reaches past its parent by %1 px: %2 at %3 in %4 of %5×%6")
                              .arg(past)
                              .arg(describeWidget(w), rectText(w->geometry()), describeWidget(parent))
                              .arg(parent->width())
                              .arg(parent->height());
        }
        // A graphics effect draws its widget from a picture of it; inside another effect's picture it is
        // drawn where it was when that was taken.
        if (w->graphicsEffect() && w->graphicsEffect()->isEnabled())
            for (QWidget *up = parent; up && up != &window; up = up->parentWidget())
                if (up->graphicsEffect() && up->graphicsEffect()->isEnabled()) {
                    faults << QStringLiteral("carries a graphics effect inside %1's: %2")
                                  .arg(describeWidget(up), describeWidget(w));
                    break;
                }
    }
    // Siblings on top of each other.
    for (QWidget *parent : QList<QWidget *>{&window} + all) {
        if (!parent->isVisibleTo(&window) && parent != &window) continue;
        QList<QWidget *> controls;
        for (QObject *child : parent->children())
            if (auto *w = qobject_cast<QWidget *>(child);
                w && !w->isWindow() && w->isVisibleTo(&window) && !w->size().isEmpty() && isControl(w))
                controls << w;
        for (int i = 0; i < controls.size(); ++i)
            for (int j = i + 1; j < controls.size(); ++j) {
                const QRect both = controls[i]->geometry() & controls[j]->geometry();
                if (both.width() > 1 && both.height() > 1)
                    faults << QStringLiteral("overlaps its sibling by %1×%2 px: %3 at %4 and %5 at %6 in %7")
                                  .arg(both.width())
                                  .arg(both.height())
                                  .arg(describeWidget(controls[i]), rectText(controls[i]->geometry()),
                                       describeWidget(controls[j]), rectText(controls[j]->geometry()),
                                       describeWidget(parent));
            }
    }
}

void textFaults(QWidget &window, QStringList &faults) {
    // Effects draw through pictures of their own: off for the recording, so that every text reaches it.
    QList<QGraphicsEffect *> effects;
    for (QWidget *w : window.findChildren<QWidget *>())
        if (QGraphicsEffect *effect = w->graphicsEffect(); effect && effect->isEnabled()) effects << effect;
    for (QGraphicsEffect *effect : effects) effect->setEnabled(false);
    TextRecorder recorder(window.size());
    {
        PaintFollower follower(recorder);
        window.render(&recorder);
    }
    for (QGraphicsEffect *effect : effects) effect->setEnabled(true);

    for (const TextRecorder::Drawn &d : recorder.drawn) {
        const QWidget *w = d.widget.data();
        if (!w || editsText(w)) continue;
        const QString what = describeWidget(w);
        // A side the enclosing scroll area's viewport cuts is scrolled, not cut: that side is the widget's own.
        QRectF clip = d.clip;
        if (const QWidget *viewport = scrollViewportOf(w)) {
            const QRectF port = inWindow(viewport);
            QRectF own = inWindow(w);
            for (const QWidget *up = w->parentWidget(); up && up != viewport; up = up->parentWidget())
                own &= inWindow(up);
            if (std::abs(clip.left() - port.left()) <= 1) clip.setLeft(own.left());
            if (std::abs(clip.right() - port.right()) <= 1) clip.setRight(own.right());
            if (std::abs(clip.top() - port.top()) <= 1) clip.setTop(own.top());
            if (std::abs(clip.bottom() - port.bottom()) <= 1) clip.setBottom(own.bottom());
        }
        const qreal overX = std::max(clip.left() - d.box.left(), d.box.right() - clip.right());
        const qreal overY = std::max(clip.top() - d.box.top(), d.box.bottom() - clip.bottom());
        if (d.clip.isEmpty() || !d.box.intersects(d.clip)) continue; // scrolled out of sight
        if (overX > kSlack || overY > kSlack)
            faults << QStringLiteral(
                          "text \"%1\" is cut: laid out %2, drawn in %3 (%4 px wide, %5 px high too many), by %6")
                          .arg(shortText(d.text), rectText(d.box), rectText(clip))
                          .arg(std::max<qreal>(0, overX), 0, 'f', 0)
                          .arg(std::max<qreal>(0, overY), 0, 'f', 0)
                          .arg(what);
        const QString text = d.text.trimmed();
        if (text.contains(kEllipsis) && text != ownText(w).trimmed() && !endsInEllipsisOfItsOwn(text) &&
            !tooltipShowsWhole(d.widget, d.box.center(), text))
            faults << QStringLiteral("text \"%1\" is shortened with no tooltip showing it whole, by %2")
                          .arg(shortText(d.text), what);
    }
}

} // namespace

QString describeWidget(const QWidget *widget) {
    if (!widget) return QStringLiteral("(gone)");
    QString name = QString::fromLatin1(widget->metaObject()->className());
    if (!widget->objectName().isEmpty()) name += QLatin1Char('#') + widget->objectName();
    const QString text = ownText(widget);
    if (!text.isEmpty()) name += QStringLiteral(" \"%1\"").arg(shortText(text));
    return name;
}

QStringList layoutFaults(QWidget &window) {
    QStringList faults;
    treeFaults(window, faults);
    sidewaysFaults(window, faults);
    fieldFaults(window, faults);
    textFaults(window, faults);
    // What a scroll area shows further down, a page at a time; then back where it was.
    for (QAbstractScrollArea *area : window.findChildren<QAbstractScrollArea *>()) {
        QScrollBar *bar = area->verticalScrollBar();
        if (!area->isVisibleTo(&window) || bar->maximum() <= 0 || editsText(area->viewport())) continue;
        const int was = bar->value();
        for (int value = bar->pageStep(); value < bar->maximum() + bar->pageStep(); value += bar->pageStep()) {
            bar->setValue(std::min(value, bar->maximum()));
            QCoreApplication::processEvents();
            textFaults(window, faults);
        }
        bar->setValue(was);
    }
    faults.removeDuplicates();
    return faults;
}

bool saveWindowPicture(QWidget &window, const QString &path) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    return window.grab().save(path, "PNG");
}
