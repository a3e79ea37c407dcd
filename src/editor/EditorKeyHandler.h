#pragma once

#include "core/EditorTool.h"

#include <QString>

namespace platform {
struct KeyEvent;
}
class EditorModel;

// The editor's key table: what a key-down or key-up in the main window does while the editor page
// shows an open capture. Main thread only.
//
// Keys with Ctrl (Ctrl+S, Ctrl+Z, Ctrl+C, Ctrl+W, Ctrl+K, Ctrl+Shift+C, Ctrl+Shift+Z) and the special
// keys go by their position on the keyboard; the single keys (tool letters, preset digits, "[", "]",
// "E", "?") by the character they type, so they follow the layout. A backdrop being edited, a text
// being typed, the open command bar and a focused text field keep the keys they need.
namespace EditorKeyHandler {

// True when the editor used the key; the main window then swallows it.
bool handle(const platform::KeyEvent &event, EditorModel &model);

// The key that chooses `tool`: "P", "V", "A", "R", "H", "T", "B" or "C".
QString toolKey(EditorTool tool);

} // namespace EditorKeyHandler
