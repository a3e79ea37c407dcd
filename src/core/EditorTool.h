#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <optional>

// The editor's tools; the drawing tools make marks of the annotation kind of the same name.
enum class EditorTool { preview, select, arrow, rectangle, highlight, text, blur, crop };

namespace EditorTools {

inline constexpr std::array<EditorTool, 8> all{EditorTool::preview,   EditorTool::select,    EditorTool::arrow,
                                               EditorTool::rectangle, EditorTool::highlight, EditorTool::text,
                                               EditorTool::blur,      EditorTool::crop};

// The stable name of a tool ("preview", "select", …) and back; an unknown name gives no tool.
QString rawValue(EditorTool tool);
std::optional<EditorTool> fromRawValue(QStringView raw);

// The tool's name and its one-line help, in the current language.
QString title(EditorTool tool);
QString detail(EditorTool tool);

} // namespace EditorTools
