#include "capture/Log.h"

Q_LOGGING_CATEGORY(lcCapture, "pelicarta.capture", QtInfoMsg)
