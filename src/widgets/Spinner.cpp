#include "widgets/Spinner.h"

#include "widgets/Theme.h"

#include <QElapsedTimer>
#include <QPainter>

#include <cmath>

namespace {

constexpr int kSpokes = 12;

// One clock for every indicator, so those on screen together turn in step.
int currentStep() {
    static QElapsedTimer clock;
    if (!clock.isValid()) clock.start();
    return int((clock.elapsed() / Spinner::stepMs) % kSpokes);
}

} // namespace

Spinner::Spinner(int side, QWidget *parent) : QWidget(parent), m_side(side) {
    setFixedSize(side, side);
    setAttribute(Qt::WA_TranslucentBackground);
    m_timer.setInterval(stepMs);
    connect(&m_timer, &QTimer::timeout, this, qOverload<>(&QWidget::update));
}

void Spinner::paint(QPainter &painter, const QRectF &rect, const QColor &color) {
    const qreal side = std::min(rect.width(), rect.height());
    const QPointF centre = rect.center();
    const int lead = currentStep();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(color, std::max<qreal>(1.5, side / 9), Qt::SolidLine, Qt::RoundCap);
    for (int i = 0; i < kSpokes; ++i) {
        const int age = (lead - i + kSpokes) % kSpokes;
        QColor shade = color;
        shade.setAlphaF(float(color.alphaF() * (1.0 - 0.75 * age / (kSpokes - 1))));
        pen.setColor(shade);
        painter.setPen(pen);
        const qreal angle = 2 * M_PI * i / kSpokes;
        const QPointF direction(std::sin(angle), -std::cos(angle));
        painter.drawLine(centre + direction * side * 0.22, centre + direction * side * 0.44);
    }
    painter.restore();
}

void Spinner::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    paint(painter, QRectF(rect()), Theme::text3());
}

void Spinner::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    m_timer.start();
}

void Spinner::hideEvent(QHideEvent *event) {
    QWidget::hideEvent(event);
    m_timer.stop();
}
