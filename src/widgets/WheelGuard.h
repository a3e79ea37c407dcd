#pragma once

class QWidget;

// The mouse wheel scrolls the page under it: a picker, slider or spin box passed here changes by wheel
// only once the user has clicked or tabbed into it, and until it loses the focus; the focus a window
// gives its first control as it comes up does not count. Until then its wheel events go on to what
// holds it, the scroll area of the page first, as if the control were not there. The control takes the
// focus by click and by tab, never by wheel. Installing twice changes nothing.
namespace WheelGuard {
void install(QWidget *control);
}
