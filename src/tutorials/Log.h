#pragma once

#include <QLoggingCategory>

// This layer's log, "pelicarta.tutorials": warnings and information are shown, debug messages once
// QT_LOGGING_RULES="pelicarta.tutorials.debug=true" (or "pelicarta.*.debug=true") turns them on.
Q_DECLARE_LOGGING_CATEGORY(lcTutorials)
