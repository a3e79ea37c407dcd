#pragma once

#include "brand/BrandKit.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QWidget>

// A miniature of an exported guide with one sample step, drawn live in the brand's colours and font
// with the (already tinted) logo and the guide footer. Holds no state beyond what it is given.
class BrandGuidePreview : public QWidget {
    Q_OBJECT
public:
    explicit BrandGuidePreview(QWidget *parent = nullptr);

    void setKit(const BrandKit &kit);
    void setLogo(const QImage &logo);

    // The trimmed footer, or "Feito com Pelicarta" when nothing is left.
    static QString footer(const BrandKit &kit);
    // The badge digits' colour on an accent: #15121F above a luma of 0.6, else white.
    static QColor badgeText(quint32 accent);
    // The brand font at a size and weight, when the family is really installed (confirmed by
    // QFontInfo); else the interface font at that size and weight.
    static QFont brandFont(const std::optional<QString> &family, qreal pixelSize, QFont::Weight weight);

    QSize sizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int logoHeight() const;

    BrandKit m_kit;
    QImage m_logo;
};
