#pragma once

#include <QWidget>

#include <functional>

class FadeEffect;
class QPainter;
class QVariantAnimation;

// What the editor lays over its page (the command bar, the shortcuts sheet): a dimmed layer over the
// whole page that closes the overlay on a click, and a card drawn by `paintCard`. It fades in and out
// over 0.15 s as the model's flag turns, growing from `startScale` about its centre as it comes;
// while fading out it takes no clicks.
class EditorOverlay : public QWidget {
    Q_OBJECT
public:
    static constexpr int fadeMs = 150;

    // `dismiss`: what a click on the dimmed layer does (it writes the model's flag).
    EditorOverlay(std::function<void()> dismiss, QWidget *parent, qreal startScale = 1.0);

    // Fades in (raised above its siblings, covering its parent) or out (hidden at the end).
    void setShown(bool shown);
    bool isShown() const { return m_shown; }

    // The card's look: (22, 22, 28) filled, outlined in Theme::lineStrong, over a soft black shadow.
    static void paintCard(QPainter &painter, const QRectF &card, qreal radius);

protected:
    // Where the card lies, in this widget's coordinates: clicks there never dismiss.
    virtual QRect cardRect() const = 0;
    virtual qreal cardRadius() const = 0;
    // Called once the overlay has come on screen (the command bar focuses its field).
    virtual void appeared() {}

    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setProgress(qreal progress);

    std::function<void()> m_dismiss;
    FadeEffect *m_effect;
    QVariantAnimation *m_fade;
    qreal m_startScale;
    qreal m_progress = 0; // 0 gone, 1 fully shown
    bool m_shown = false;
};
