#pragma once

// Screenshot-like pictures and guide inputs shared by the tutorial tests.

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

// An input whose steps carry their pictures in memory, created on 7 December 2026 at noon UTC.
TutorialRenderer::Input input(const QString &title, TutorialTheme theme, const QList<StepSpec> &steps);

} // namespace guidefixtures
