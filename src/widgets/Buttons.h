#pragma once

#include <QPushButton>

class QVariantAnimation;

// The prominent button of a page or dialog: accent gradient, ink label, soft accent shadow, and a
// short spring-like press (scale 0.98, opacity 0.85).
class PrimaryButton : public QPushButton {
    Q_OBJECT
public:
    explicit PrimaryButton(const QString &text = {}, QWidget *parent = nullptr);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }
    // A small key cap after the label naming the key that presses the button ("↵"); empty for none.
    void setKeyHint(const QString &key);
    QString keyHint() const { return m_keyHint; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void animatePress(bool down);
    qreal m_press = 0;
    QString m_keyHint;
    QVariantAnimation *m_animation;
};

// The quiet button beside the primary one: raised fill, hairline border, opacity 0.8 while pressed.
class SecondaryButton : public QPushButton {
    Q_OBJECT
public:
    explicit SecondaryButton(const QString &text = {}, QWidget *parent = nullptr);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;
};

// A text link: accent text, no frame, underlined while hovered.
class LinkButton : public QPushButton {
    Q_OBJECT
public:
    LinkButton(const QString &text, qreal pixelSize, QWidget *parent = nullptr);
    // The text's colour instead of the accent.
    void setColor(const QColor &color);
};

// The small "×" that closes a notice, named "Fechar aviso" for its tooltip and for screen readers.
class CloseNoticeButton : public QPushButton {
    Q_OBJECT
public:
    explicit CloseNoticeButton(QWidget *parent = nullptr);
};
