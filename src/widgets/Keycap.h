#pragma once

#include <QStringList>
#include <QWidget>

class QPainter;

// One key drawn as a key cap, its hard shadow below the face inside the widget: a graphics effect on
// each cap would nest inside an ancestor's (an overlay's fade), which then draws the caps elsewhere.
class Keycap : public QWidget {
    Q_OBJECT
public:
    enum class Size { small, large };

    Keycap(const QString &label, Size size, QWidget *parent = nullptr);
    QString label() const { return m_label; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    // The shadow's depth below the face.
    static int shadowOffset(Size size) { return size == Size::small ? 1 : 3; }
    static int spacing(Size size) { return size == Size::small ? 4 : 10; }

    // The same cap for views that draw themselves (the overlay): its face size, and the cap with its
    // hard shadow painted at `topLeft`.
    static QSize faceSize(const QString &label, Size size);
    static void paint(QPainter &painter, const QPointF &topLeft, const QString &label, Size size);
    // A row of caps; returns its size. `paint` false only measures.
    static QSizeF paintRow(QPainter *painter, const QPointF &topLeft, const QStringList &labels, Size size);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_label;
    Size m_size;
};

// A key combination as a row of caps, one per label, in order (labels may repeat).
class KeycapRow : public QWidget {
    Q_OBJECT
public:
    KeycapRow(const QStringList &keys, Keycap::Size size, QWidget *parent = nullptr);
    void setKeys(const QStringList &keys);
    QStringList keys() const { return m_keys; }

private:
    QStringList m_keys;
    Keycap::Size m_size;
};
