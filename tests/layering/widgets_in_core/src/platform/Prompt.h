#pragma once

#include "platform/PromptWindow.h"
