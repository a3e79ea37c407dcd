#include "platform/Prompt.h"

#include <QtWidgets/QWidget>
