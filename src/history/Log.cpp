#include "history/Log.h"

Q_LOGGING_CATEGORY(lcHistory, "pelicarta.history", QtInfoMsg)
