#include "core/Log.h"

Q_LOGGING_CATEGORY(lcCore, "pelicarta.core", QtInfoMsg)
