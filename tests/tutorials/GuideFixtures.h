#pragma once

// Screenshot-like pictures and guide inputs shared by the tutorial tests.

#include "support/TestSupport.h"
#include "tutorials/TutorialRenderer.h"

#include <QImage>
#include <QList>
#include <QPointF>
#include <QSize>

#include <optional>

namespace guidefixtures {

// A window on a desktop: title bar, sidebar and rows of text-like bars, different for every seed.
QImage screenshot(QSize size, int seed = 1);

struct StepSpec {
    QSize size;
    QString title;
    QString detail;
    std::optional<QPointF> marker;
};

// A dark brand with a font, a footer and a two-colour logo on a transparent ground (600 × 200), whose
// automatic variant is drawn white.
BrandSnapshot brand();

// An input whose steps carry their pictures in memory, created on 7 December 2026 at noon UTC; the
// brand theme gets brand().
TutorialRenderer::Input input(const QString &title, TutorialTheme theme, const QList<StepSpec> &steps);

using testsupport::FileSizeLimit;

} // namespace guidefixtures
