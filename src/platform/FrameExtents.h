#pragma once

#include <QMargins>
#include <QObject>

#include <optional>

class QWindow;

namespace platform {

// How wide the window manager's frame around `window` is (title bar and borders, in the window's own
// pixels), as the window manager last said; none before it has framed the window, or where the
// windowing system has no such notion.
std::optional<QMargins> frameExtents(const QWindow *window);

// Tells when the window manager says how wide its frame around one of our windows is: as it frames the
// window, and again should its frame change. One for the process, on the GUI thread; where the windowing
// system has no such notion it never signals.
class FrameExtentsWatch final : public QObject {
    Q_OBJECT
public:
    static FrameExtentsWatch &shared();

signals:
    void changed(QWindow *window);

private:
    FrameExtentsWatch();
};

} // namespace platform
