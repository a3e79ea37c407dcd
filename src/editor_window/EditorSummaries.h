#pragma once

#include "core/ExportSettings.h"

#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>

#include <optional>

// The texts of the editor page that follow the open capture, computed afresh at every redraw from
// the model's values. Pure: they read nothing else, so each state gives one answer.
namespace EditorSummaries {

// "· 1 anotação", "· 3 anotações · recortado", "· recortado"; empty without marks and crop, so the top
// bar shows no lone separator.
QString editSummary(qsizetype annotations, bool cropped);

// "2880 × 1800 px", then " · PNG ≈ 1,2 MB" once the size is estimated; none while the export size is
// unknown (zero or unset both ways).
std::optional<QString> sizeSummary(QSize exportPixelSize, std::optional<qint64> estimatedBytes, ExportFormat format);

// One key hint of the bottom bar: its caps, as this keyboard names the keys, and its text.
struct Hint {
    QStringList keys;
    QString text;
    bool operator==(const Hint &) const = default;
};

// The hints for the current tool: the preview's (hold Space, Esc closes) or a drawing tool's (Esc
// goes back, Backspace deletes a selected mark), then "?" always, then undo while there is a step.
QList<Hint> hints(bool previewTool, bool hasSelection, bool canUndo);

} // namespace EditorSummaries
