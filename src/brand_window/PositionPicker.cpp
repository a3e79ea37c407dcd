#include "brand_window/PositionPicker.h"

#include "widgets/Theme.h"

#include <QAbstractButton>
#include <QPainter>

namespace {

constexpr int pickerWidth = 190, pickerHeight = 112, inset = 4, cellHeight = 26;

// One spot: a bar centred in its cell, the whole cell clickable.
class PositionSpot final : public QAbstractButton {
public:
    PositionSpot(const QString &label, QWidget *parent) : QAbstractButton(parent) {
        setCheckable(true);
        setAutoExclusive(true); // one of six: screen readers hear a radio button
        setFocusPolicy(Qt::TabFocus);
        setCursor(Qt::PointingHandCursor);
        setToolTip(label);
        setAccessibleName(label);
    }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF bar(QPointF(width() / 2.0 - 14, height() / 2.0 - 4.5), QSizeF(28, 9));
        p.fillPath(Theme::continuousRoundedRect(bar, 3), isChecked() ? Theme::accent() : QColor(255, 255, 255, 56));
        if (hasFocus()) {
            p.setPen(QPen(Theme::accentLine(), 1));
            p.drawPath(Theme::continuousRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 5));
        }
    }
};

// The cell a spot answers in: an equal share of its row, edges rounded so that neighbours meet.
QRect cellOf(LogoPosition position) {
    const int column = int(position) % 3;
    const qreal share = (pickerWidth - 2.0 * inset) / 3;
    const int left = inset + qRound(column * share), right = inset + qRound((column + 1) * share);
    const int top = LogoPositions::isTop(position) ? inset : pickerHeight - inset - cellHeight;
    return {left, top, right - left, cellHeight};
}

} // namespace

PositionPicker::PositionPicker(QWidget *parent) : QWidget(parent) {
    setFixedSize(pickerWidth, pickerHeight);
    for (LogoPosition position : LogoPositions::all) {
        auto *spot = new PositionSpot(LogoPositions::label(position), this);
        spot->setGeometry(cellOf(position));
        connect(spot, &QAbstractButton::clicked, this, [this, position] { emit picked(position); });
        m_spots.append(spot);
    }
    setPosition(m_position);
}

void PositionPicker::setPosition(LogoPosition position) {
    m_position = position;
    spot(position)->setChecked(true);
}

QAbstractButton *PositionPicker::spot(LogoPosition position) const { return m_spots[int(position)]; }

void PositionPicker::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    p.fillPath(Theme::continuousRoundedRect(frame, 9), Theme::raised());
    p.setPen(QPen(Theme::line(), 1));
    p.drawPath(Theme::continuousRoundedRect(frame, 9));
    // The screenshot in the middle of its margin.
    const QRectF shot(QPointF((width() - 118) / 2.0, (height() - 50) / 2.0), QSizeF(118, 50));
    p.fillPath(Theme::continuousRoundedRect(shot, 4), Theme::lineStrong());
}
