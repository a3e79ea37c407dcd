#pragma once

class QPainter;
class QWidget;

// How a self-drawn control shows whether a click acts: disabled, it is drawn dimmed, shows no hover,
// and the pointer over it stays the arrow instead of the pointing hand.
namespace ControlState {

// The opacity a disabled control is drawn at.
inline constexpr qreal disabledOpacity = 0.45;

// Dims what `painter` draws from now on while `control` is disabled (its opacity times disabledOpacity).
void dimWhileDisabled(QPainter &painter, const QWidget &control);
// Whether the pointer is over `control` and a click there would act.
bool isHovered(const QWidget &control);
// The pointing hand over `control` while it is enabled, the arrow while not, from now on (call it once).
void pointWhileEnabled(QWidget *control);

} // namespace ControlState
