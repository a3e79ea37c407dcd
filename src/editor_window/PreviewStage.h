#pragma once

#include <QImage>
#include <QPointF>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <optional>

class EditorModel;
class QPainter;

// The preview tool's stage: a soft radial glow behind the rendered result, fitted 40 points inside
// the stage; the untouched capture with an "Original" badge while Space is held; a small progress
// indicator until the first result lands. The whole stage is a drag source: past the platform's
// drag distance it carries the export (EditorModel::dragProvider) into another program.
class PreviewStage : public QWidget {
    Q_OBJECT
public:
    static constexpr qreal inset = 40;

    explicit PreviewStage(EditorModel *model, QWidget *parent = nullptr);

    // Where the picture is drawn (empty while the indicator shows).
    QRectF pictureRect() const;
    // What the stage shows now.
    bool showsOriginal() const;
    bool showsProgress() const;

    // The glow behind the picture over a stage of `size`: the radial gradient's colours, each painted
    // as a plain ring (any thread).
    static void paintGlow(QPainter &p, QSizeF size);

protected:
    void paintEvent(QPaintEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    const QImage &shownImage() const;
    QSize scaledPixels(const QRectF &target) const;
    void prepareGlow(QSizeF logical);
    static QSizeF &lastSize(); // of the last stage shown
    void scaleLater();
    void paintBadge(QPainter &p);

    QPointer<EditorModel> m_model;
    // The shown picture scaled once for its place: a repaint under an overlay only copies it.
    QImage m_scaled;
    qint64 m_scaledKey = 0;
    QSize m_scaledSize;
    QPointF m_scaledAt; // where it was last drawn
    // The result being scaled on a worker: until it lands, the last frame's picture stays.
    qint64 m_pendingKey = 0;
    QSize m_pendingSize;
    // The glow drawn once for the stage's size, on a worker: each frame (the first, the indicator's)
    // then copies it instead of filling a gradient.
    QImage m_glow;
    QSize m_glowPending; // the size a worker is making it for
    bool m_shown = false;
    QTimer m_spin;
    std::optional<QPointF> m_pressAt; // a press that may become a drag
};
