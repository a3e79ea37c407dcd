#pragma once

#include "app/PrefRow.h"
#include "support/TestSupport.h"

#include <QLabel>

// The detail line a settings row shows; empty when it shows none (an empty detail is hidden).
inline QString detailOf(const PrefRow *row) { return testsupport::namedChild<QLabel>(*row, "detail")->text(); }
