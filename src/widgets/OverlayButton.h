#pragma once

#include <QAbstractButton>

class HoverProgress;

// A small round button laid over a picture: a symbol in the text colour on a dark disc ringed by a
// hairline. Its help text is also its accessible name. It fades with the hover of what it sits on
// (`setOpacity`), and shows a pointing hand.
class OverlayButton : public QAbstractButton {
    Q_OBJECT
public:
    OverlayButton(const QString &symbol, const QString &help, int side, qreal discOpacity, QWidget *parent = nullptr);

    qreal opacity() const { return m_opacity; }
    void setOpacity(qreal opacity);
    // Fades in as the pointer comes over what `hover` watches, and is hidden once it has faded out.
    void followHover(HoverProgress *hover);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_symbol;
    qreal m_discOpacity;
    qreal m_opacity = 0;
};
