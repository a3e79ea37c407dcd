#pragma once

#include <QObject>
#include <QRegion>

#include <optional>

class QWindow;

namespace platform {

// Asks the window manager to show the window on every desktop (workspace). Call before each time the
// window is shown (a window manager may drop the wish of a hidden window); does nothing where the windowing system has
// no such notion.
void showOnAllDesktops(QWindow *window);

// Whether see-through window areas show what lies beneath: on X11 only while a compositing manager
// runs (elsewhere they are black); true on other windowing systems. Asked at each use, as a compositor
// may come and go.
bool translucentWindows();

// Lets the pointer reach the window only inside `region` (in the window's coordinates), through the X
// Shape extension's input region: clicks elsewhere go to what lies beneath, even where the window draws
// (a shadow). An empty region lets every click through. Does nothing before the window has a native
// window (set it again once it has), nor where the windowing system has no such notion.
void setInputRegion(QWindow *window, const QRegion &region);

// The part of the window the pointer reaches, as the server holds it (in the window's coordinates);
// nothing where the windowing system cannot tell.
std::optional<QRegion> inputRegion(QWindow *window);

// Tells when a compositing manager starts or stops on the GUI's display, that is when translucentWindows()
// may answer otherwise. One for the process, on the GUI thread; where the windowing system has no such
// notion, or cannot tell, it never signals.
class CompositorWatch final : public QObject {
    Q_OBJECT
public:
    static CompositorWatch &shared();

signals:
    void changed();

private:
    CompositorWatch();
};

} // namespace platform
