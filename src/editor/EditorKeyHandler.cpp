#include "editor/EditorKeyHandler.h"

#include "editor/EditorModel.h"
#include "platform/KeyEvent.h"

namespace EditorKeyHandler {

bool handle(const platform::KeyEvent &, EditorModel &) {
    // The editor binds no key yet: every key goes on to the focused view.
    return false;
}

} // namespace EditorKeyHandler
