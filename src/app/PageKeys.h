#pragma once

#include "app/AppRouter.h"
#include "core/Shortcut.h"

#include <QList>
#include <QString>

#include <optional>

// The main window's page keys: ⌘1 … ⌘5 for home, editor, history, tutorials and brand (by key
// position, whatever the layout), ⌘, for the settings and ⌃⌘S for the sidebar.
namespace PageKeys {

// The page a key position selects with ⌘ alone; none for other keys.
std::optional<AppRouter::Page> pageForKeyCode(int keyCode);
// The combination that shows `page` (the settings' one is the "Ajustes…" command).
Shortcut shortcut(AppRouter::Page page);
// ⌃⌘S
Shortcut sidebarShortcut();

// How a page's key is written beside its name ("⌘1").
QString label(AppRouter::Page page);

} // namespace PageKeys
