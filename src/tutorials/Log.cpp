#include "tutorials/Log.h"

Q_LOGGING_CATEGORY(lcTutorials, "pelicarta.tutorials", QtInfoMsg)
