#pragma once

#include "capture/CaptureFile.h"
#include "core/Backdrop.h"
#include "core/LatestResult.h"

#include <QDateTime>
#include <QImage>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>

// One capture floating in the quick panel: the captured image, the backdrop chosen in the panel and
// the output that copying, saving and dragging use (the capture itself until a chosen backdrop has
// been rendered). Main thread only; the render runs on the thread pool and a newer choice drops the
// result of an older one.
class QuickModel : public QObject {
    Q_OBJECT
public:
    QuickModel(const QImage &image, CaptureFile::Ptr file, QObject *parent = nullptr);
    ~QuickModel() override;

    const QImage &original() const { return m_original; }
    // When the capture was taken: the panel shows it the moment it is.
    const QDateTime &takenAt() const { return m_takenAt; }
    // The recents file of the capture, written in the background; none when keeping captures is off.
    const CaptureFile::Ptr &file() const { return m_file; }
    const std::optional<Backdrop> &backdrop() const { return m_backdrop; }
    const QImage &output() const { return m_output; }
    bool isHovering() const { return m_hovering; }
    void setHovering(bool hovering);

    // Chooses a backdrop (none: the bare capture, at once) and renders it with the default style in
    // the background.
    void setBackdrop(const std::optional<Backdrop> &backdrop);

signals:
    void backdropChanged();
    void outputChanged();
    void hoveringChanged();

private:
    QImage m_original;
    QDateTime m_takenAt;
    CaptureFile::Ptr m_file;
    std::optional<Backdrop> m_backdrop;
    QImage m_output;
    bool m_hovering = false;
    LatestResult m_render; // every choice asks anew; a result of an older one is dropped
    // The panel leads to the editor: its text engine is started while the panel is up.
    std::shared_ptr<void> m_readerReady;
};
