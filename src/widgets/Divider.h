#pragma once

#include <QWidget>

// A hairline in Theme::line over the window's background (Theme::bg), across (horizontal: 1 high) or
// down (vertical: 1 wide). It paints the opaque colour the two make: the same to the eye, one fill.
class Divider final : public QWidget {
    Q_OBJECT
public:
    explicit Divider(Qt::Orientation orientation, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};
