#pragma once

#include "capture/QuickCaptureView.h"
#include "capture/QuickModel.h"
#include "core/BeautyStyle.h"

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <optional>

class QMimeData;

// The floating quick panel of a finished capture: bottom-right of the visible area of the screen under
// the pointer, 20 px inside its edges. It closes itself after "quick.lifetime" seconds unless the
// pointer is over it (leaving restarts the full countdown), and offers copy, save, edit, drag-out and
// backdrops. The capture's recents file stays whatever happens. Main thread only.
class QuickPanelController : public QObject {
    Q_OBJECT
public:
    static QuickPanelController &shared();

    static constexpr int kMargin = 20;
    static constexpr int kFadeInMs = 200;
    static constexpr int kFadeOutMs = 180;
    static constexpr int kRemoveAfterMs = 220;

    // Replaces whatever panel is shown (at once, no fade) by one for this capture. `file` is its
    // recents file, none when keeping captures is off.
    void show(const QImage &image, CaptureFile::Ptr file);
    // Ends the countdown, drops the model and removes the panel, fading out when animated.
    void close(bool animated);

    // A capture whose outcome is a new panel is about to be read. The panel on screen, if the grab
    // takes it off the screen, stays off: `show` then puts the new capture in that same window, and
    // `releaseHold` brings it back as it was when the capture brings no panel (it failed, or went to
    // another outcome). Without a panel, one is made meanwhile, so that `show` need not.
    void holdForCapture();
    void releaseHold();

    // The panel on screen (none while hidden or fading out) and its model.
    QuickCaptureView *panel() const { return m_panel; }
    QuickModel *model() const { return m_model; }
    bool isCountingDown() const { return m_dismiss.isActive(); }

    // The actions, callable directly (tests, the menu).
    void copy();
    void save();
    void edit();
    void setHovering(bool hovering);
    // What a drag of `image` carries: prepared and encoded with the export settings, written as a
    // drag file (DragFile::mimeData).
    static QMimeData *dragData(const QImage &image);

signals:
    // A capture's panel was put on the screen.
    void shown();
    // "Abrir no Editor": the captured image (never the output), its recents file (perhaps still being
    // written) and the default style with the chosen backdrop, or none. Emitted after the panel has
    // closed; src/app opens the editor and shows it.
    void editorRequested(const QImage &image, const CaptureFile::Ptr &file, const std::optional<BeautyStyle> &style);

private:
    QuickPanelController() = default;
    void scheduleDismiss();
    // The hidden window kept for the next capture, or a new one.
    QuickCaptureView *takeWindow();
    // Hides a panel at once and empties it; it is kept for the next capture unless one already is.
    void retire(QuickCaptureView *panel);
    // The panel the last grab left off the screen for `show`, no longer held; none when there is none.
    QuickCaptureView *takeHeld();

    QPointer<QuickCaptureView> m_panel;
    QPointer<QuickCaptureView> m_spare; // hidden, holding nothing of a capture
    QPointer<QuickCaptureView> m_held;  // the panel a grab may leave off the screen (holdForCapture)
    QPointer<QuickModel> m_model;
    QTimer m_dismiss;
};
