#pragma once

#include <QPainterPath>
#include <QWidget>

// The application's own mark, stretched to a size × size square.
class BrandMark : public QWidget {
    Q_OBJECT
public:
    explicit BrandMark(int size, QWidget *parent = nullptr);
    QSize sizeHint() const override { return {m_size, m_size}; }
    // The mark's silhouette (a rounded square inside the widget), in the widget's coordinates: what a
    // glow drawn behind it follows.
    QPainterPath silhouette() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_size;
};
