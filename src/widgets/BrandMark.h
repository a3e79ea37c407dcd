#pragma once

#include <QWidget>

// The application's own mark, stretched to a size × size square.
class BrandMark : public QWidget {
    Q_OBJECT
public:
    explicit BrandMark(int size, QWidget *parent = nullptr);
    QSize sizeHint() const override { return {m_size, m_size}; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_size;
};
