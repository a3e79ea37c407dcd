#pragma once

// How a test waits: for the state it needs, never for a length of time. A wait ends as soon as its
// state holds, so its bound only says "this hangs": far beyond what the state takes on a busy two-
// processor machine, and stretched by the build's slowdown as the product's own limits are.

#include "platform/BuildKind.h"

#include <QSignalSpy>
#include <QTest>

#include <functional>

class QObject;

namespace testsupport {

// How long a wait may last before the test calls it a hang: a minute in a release build, the build's
// slowdown times that under the sanitizers; ctest's limit of five minutes a test still ends a test that
// waits more than once.
inline constexpr int patienceMs = 60'000 * platform::BuildKind::slowdown;

// Runs the event loop until `state` holds; false when it still does not after `patienceMs`.
bool becomes(const std::function<bool()> &state);

// Runs the event loop until `spy` has recorded `count` signals in all; false when they never come.
bool received(QSignalSpy &spy, qsizetype count = 1);

// Drives every animation running under `root` (root included) to its end at once, as if its time had
// passed: each reaches its end value and emits finished(), and what happens then happens now. Loops that
// never end are left alone. For a test that needs the state an animation leads to, not its frames.
void finishAnimations(QObject &root);
// The same for every top-level widget: toasts, panels and sheets that are windows of their own.
void finishAllAnimations();

// Handles every event already posted, and those they post in turn, until none is left and the shared
// thread pool is idle: for a test that must see something did not happen once its cause was handled.
void settle();

} // namespace testsupport
