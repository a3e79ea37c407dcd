#pragma once

#include <QAbstractButton>
#include <QImage>
#include <QTimer>

// The clickable and droppable logo area: the logo (or the empty-state texts) on the brand background,
// a dashed border until a logo is there, the accent border at 2 pt while a file is dragged over.
// Emits `clicked` on a click and `fileDropped` with the first local file of a drop.
class LogoDropZone : public QAbstractButton {
    Q_OBJECT
public:
    explicit LogoDropZone(QWidget *parent = nullptr);

    void setLogo(const QImage &logo);
    void setColors(quint32 background, quint32 text);
    // While a logo file is being read: a turning busy mark and a waiting line, over the dimmed logo
    // being replaced or instead of the empty-state texts.
    void setBusy(bool busy);
    bool isBusy() const { return m_busy; }
    bool isDropTargeted() const { return m_targeted; }
    QSize sizeHint() const override { return {396, 128}; }

signals:
    void fileDropped(const QString &path);

protected:
    void paintEvent(QPaintEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void setTargeted(bool targeted);
    void updateTexts();

    QImage m_logo;
    quint32 m_background = 0xFFFFFF;
    quint32 m_text = 0;
    bool m_busy = false;
    QTimer m_spin; // repaints the busy mark while it turns
    bool m_targeted = false;
};
