#include "widgets/Keycap.h"

#include "widgets/KeptPicture.h"
#include "widgets/Theme.h"
#include "widgets/ThemedLabel.h"

#include <QHBoxLayout>
#include <QPainter>

namespace {

QFont capFont(Keycap::Size size) { return Theme::monospaceFont(size == Keycap::Size::small ? 11 : 19, QFont::Medium); }

} // namespace

QSize Keycap::faceSize(const QString &label, Size size) {
    const QFontMetrics metrics(capFont(size));
    const int padding = size == Size::small ? 6 : 14;
    const int minimum = size == Size::small ? 20 : 48;
    // The wider of the advance and the ink: a glyph may reach past its advance.
    const int text = std::max(metrics.horizontalAdvance(label), metrics.boundingRect(label).width());
    return {std::max(minimum, text + 2 * padding), std::max(minimum, metrics.height())};
}

QSize Keycap::sizeHint() const { return faceSize(m_label, m_size) + QSize(0, shadowOffset(m_size)); }

namespace {

QPainterPath faceShape(const QRectF &face, Keycap::Size size) {
    return Theme::continuousRoundedRect(face.adjusted(0.5, 0.5, -0.5, -0.5), size == Keycap::Size::small ? 5 : 11);
}

void paintPlate(QPainter &p, const QRectF &face, Keycap::Size size) {
    const QPainterPath shape = faceShape(face, size);
    if (size == Keycap::Size::small) {
        p.fillPath(shape, Theme::keycap());
    } else {
        QLinearGradient fill(face.topLeft(), face.bottomLeft());
        fill.setColorAt(0, Theme::rgb(0x2A2A34));
        fill.setColorAt(1, Theme::rgb(0x1E1E26));
        p.fillPath(shape, fill);
    }
    p.setPen(QPen(Theme::lineStrong(), 1));
    p.setBrush(Qt::NoBrush);
    p.drawPath(shape);
}

void paintLabel(QPainter &p, const QRectF &face, const QString &label, Keycap::Size size) {
    const QFont font = capFont(size);
    p.setFont(font);
    p.setPen(size == Keycap::Size::small ? Theme::rgb(0xC8C8D2) : Theme::text());
    // Laid out once for the process, where drawing it centred in the face would put it.
    const QStaticText shown = laidOutText(label, font);
    p.drawStaticText(QPointF(face.left() + (face.width() - shown.size().width()) / 2,
                             face.top() + (face.height() - QFontMetricsF(font).height()) / 2),
                     shown);
}

// The face without its label, with its hard shadow below it (the cap's coverage in black at half
// opacity, shadowOffset lower), kept per face size: its translucent outline and gradient drawn afresh
// would be sliced across Qt's thread pool.
QImage keptPlate(QSize face, Keycap::Size size, qreal ratio) {
    const int drop = Keycap::shadowOffset(size);
    return keptPicture(QStringLiteral("keycap-face:%1:%2").arg(int(size)).arg(drop), face + QSize(0, drop), ratio,
                       [&](QPainter &p) {
                           const QRectF rect{QPointF(), QSizeF(face)};
                           p.fillPath(faceShape(rect, size).translated(0, drop), QColor(0, 0, 0, 128));
                           paintPlate(p, rect, size);
                       });
}

} // namespace

Keycap::Keycap(const QString &label, Size size, QWidget *parent) : QWidget(parent), m_label(label), m_size(size) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void Keycap::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QSize face(width(), height() - shadowOffset(m_size));
    p.drawImage(QPoint(), keptPlate(face, m_size, devicePixelRatioF()));
    paintLabel(p, QRectF(QPointF(), QSizeF(face)), m_label, m_size);
}

void Keycap::paint(QPainter &p, const QPointF &topLeft, const QString &label, Size size) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const QSize faceSize = Keycap::faceSize(label, size);
    const QRectF face(topLeft, QSizeF(faceSize));
    // A picture lands on whole pixels only: between them the cap is drawn.
    const QPointF onDevice = p.transform().map(topLeft);
    if (p.transform().type() <= QTransform::TxTranslate && onDevice == QPointF(onDevice.toPoint())) {
        p.drawImage(topLeft, keptPlate(faceSize, size, p.device()->devicePixelRatioF()));
    } else {
        p.fillPath(faceShape(face, size).translated(0, shadowOffset(size)), QColor(0, 0, 0, 128));
        paintPlate(p, face, size);
    }
    paintLabel(p, face, label, size);
    p.restore();
}

QSizeF Keycap::paintRow(QPainter *painter, const QPointF &topLeft, const QStringList &labels, Size size) {
    qreal x = 0, height = 0;
    for (int i = 0; i < labels.size(); ++i) height = std::max<qreal>(height, faceSize(labels[i], size).height());
    for (int i = 0; i < labels.size(); ++i) {
        const QSize face = faceSize(labels[i], size);
        if (painter) paint(*painter, topLeft + QPointF(x, (height - face.height()) / 2), labels[i], size);
        x += face.width() + (i + 1 < labels.size() ? spacing(size) : 0);
    }
    return {x, height};
}

KeycapRow::KeycapRow(const QStringList &keys, Keycap::Size size, QWidget *parent) : QWidget(parent), m_size(size) {
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(Keycap::spacing(size));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setKeys(keys);
}

void KeycapRow::setKeys(const QStringList &keys) {
    m_keys = keys;
    auto *row = static_cast<QHBoxLayout *>(layout());
    while (QLayoutItem *item = row->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    for (const QString &key : keys) row->addWidget(new Keycap(key, m_size, this), 0, Qt::AlignVCenter);
    updateGeometry();
}
