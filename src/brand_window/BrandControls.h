#pragma once

#include "brand/art/BrandLogo.h"
#include "core/Backdrop.h"

#include <QAbstractButton>
#include <QImage>

#include <functional>

// The small painted controls of the brand page.

// A small on/off switch tinted violet when on.
class BrandSwitch : public QAbstractButton {
    Q_OBJECT
public:
    explicit BrandSwitch(QWidget *parent = nullptr);
    QSize sizeHint() const override { return {32, 18}; }

protected:
    void paintEvent(QPaintEvent *event) override;
};

// A rounded swatch of one colour; round ones serve the logo's colours, square ones the role rows.
class ColorSwatchButton : public QAbstractButton {
    Q_OBJECT
public:
    ColorSwatchButton(quint32 color, int side, bool round, QWidget *parent = nullptr);
    void setColor(quint32 color);
    quint32 color() const { return m_color; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    quint32 m_color;
    bool m_round;
};

// A selectable chip with a title and, for logo versions, a 12-pt round swatch painted by `swatch`; the
// title is semibold while the chip is chosen.
class OptionChip : public QAbstractButton {
    Q_OBJECT
public:
    using Swatch = std::function<void(QPainter &, const QRectF &)>;
    OptionChip(const QString &title, Swatch swatch = {}, QWidget *parent = nullptr);
    void setSwatch(Swatch swatch);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    // Semibold while chosen, regular otherwise.
    QFont titleFont() const;
    Swatch m_swatch;
};

// A backdrop tile (swatch with an edit badge over its kind name) or, compact, a chip under the print
// preview that is outlined in the accent while checked.
class BackdropTile : public QAbstractButton {
    Q_OBJECT
public:
    BackdropTile(const Backdrop &backdrop, bool compact, QWidget *parent = nullptr);
    void setBackdrop(const Backdrop &backdrop);
    const Backdrop &backdrop() const { return m_backdrop; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Backdrop m_backdrop;
    bool m_compact;
};

// The round swatch of a logo version: the conic brand colours for the original, white and near black
// halves for the automatic one, else the version's flat colour.
void paintVariantSwatch(QPainter &p, const QRectF &rect, LogoVariant variant, quint32 primary, quint32 secondary);

// Paints a soft drop shadow under one of its children, following that child's geometry; the host's
// margins leave the shadow room to spread.
class ShadowHost : public QWidget {
    Q_OBJECT
public:
    ShadowHost(QColor color, qreal radius, QPointF offset, qreal cornerRadius, QWidget *parent = nullptr);
    void setTarget(QWidget *target);
    void setCornerRadius(qreal radius);

protected:
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *m_target = nullptr;
    QColor m_color;
    qreal m_radius;
    QPointF m_offset;
    qreal m_cornerRadius;
};
