#pragma once

#include <QAbstractButton>
#include <QImage>
#include <QPixmap>
#include <QPointer>
#include <QWidget>

class BackdropEditorState;
class QVariantAnimation;

// The backdrop editor's live preview: the working backdrop, the sample screenshot in the middle 68 %
// of it, and for a mesh one handle per point. Pressing a handle selects its colour and moves the point
// to the pointer, and the point follows the pointer until release, held inside the stage. Each handle
// is an element of its own to assistive technology, named after its colour ("Ponto da cor 2").
class BackdropStage : public QWidget {
    Q_OBJECT
public:
    BackdropStage(BackdropEditorState &state, const QImage &sample, QWidget *parent = nullptr);

    // How many handles there are: the mesh's points, none for other kinds.
    int handleCount() const;
    // Where handle `index` is drawn (its centre), in stage coordinates.
    QPointF handleCentre(int index) const;
    // The circle of handle `index`, larger while its colour is the selected one.
    QRectF handleRect(int index) const;
    bool isHandleSelected(int index) const;
    // The handle under `point` (the topmost; its circle grown by 8 on every side), or -1.
    int handleAt(QPointF point) const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    bool event(QEvent *event) override;

private:
    // Keeps the backdrop as drawn now, fading out over the new one for `milliseconds`.
    void fadeFromCurrent(int milliseconds);
    void paintSample(QPainter &painter);
    void paintHandle(QPainter &painter, int index);

    BackdropEditorState &m_state;
    QImage m_sample;
    QPixmap m_scaledSample; // the sample at the size it was last drawn
    int m_dragged = -1;
    QPixmap m_fadingFrom; // the backdrop before an eased change
    QVariantAnimation *m_fade;
};

// One segment of the kind picker: a symbol and a kind's name, filled while it is the current kind.
class BackdropKindSegment : public QAbstractButton {
    Q_OBJECT
public:
    BackdropKindSegment(const QString &symbol, const QString &text, QWidget *parent = nullptr);
    QSize sizeHint() const override { return {120, 30}; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_symbol;
};

// The row of kind segments under the stage.
class BackdropKindPicker : public QWidget {
    Q_OBJECT
public:
    explicit BackdropKindPicker(BackdropEditorState &state, QWidget *parent = nullptr);
    // Marks the segment of the state's kind (none for a transparent backdrop).
    void sync();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    BackdropEditorState &m_state;
    QList<BackdropKindSegment *> m_segments;
};
