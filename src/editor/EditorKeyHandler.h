#pragma once

namespace platform {
struct KeyEvent;
}
class EditorModel;

// The editor's key table: what a key-down or key-up in the main window does while the editor page
// shows an open capture. Main thread only.
namespace EditorKeyHandler {

// True when the editor used the key; the main window then swallows it.
bool handle(const platform::KeyEvent &event, EditorModel &model);

} // namespace EditorKeyHandler
