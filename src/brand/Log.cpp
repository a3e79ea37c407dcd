#include "brand/Log.h"

Q_LOGGING_CATEGORY(lcBrand, "pelicarta.brand", QtInfoMsg)
