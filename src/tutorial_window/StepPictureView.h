#pragma once

#include <QPointF>
#include <QSize>
#include <QString>
#include <QWidget>

#include <optional>

class PictureLoader;

// A step's screenshot with its click marker, fitted into 380 × 260 (small ones enlarged too). The size
// comes from the file's header at once; the picture itself arrives from the loader, an empty frame
// standing in until then. A click places the marker there; a file that cannot be read shows the
// 240 × 140 "Imagem indisponível" placeholder, which takes no clicks.
class StepPictureView : public QWidget {
    Q_OBJECT
public:
    static constexpr QSize kBox{380, 260};
    static constexpr QSize kPlaceholder{240, 140};

    explicit StepPictureView(PictureLoader &loader, QWidget *parent = nullptr);

    // The picture's file; empty for none.
    void setFile(const QString &path);
    void setMarker(std::optional<QPointF> marker, int number);
    bool isPlaceholder() const { return m_pixels.isEmpty(); }
    // The size a picture of `pixels` is shown at: fitted into the box, not capped at 1.
    static QSizeF shownSize(QSize pixels);

signals:
    // Fractions 0…1 of the shown picture, from its top left.
    void clicked(QPointF marker);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void loaderFinished(const QString &path);
    void setPixels(QSize pixels);
    // The picture as large as it is drawn at this screen's pixel ratio, at most twice the box.
    QSize decodeBox() const;

    PictureLoader &m_loader;
    QString m_path;
    QSize m_pixels; // the file's full size; empty when it cannot be read
    std::optional<QPointF> m_marker;
    int m_number = 1;
};
