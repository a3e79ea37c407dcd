#pragma once

class QApplication;
class QPalette;

// What the standard widgets look like and say: context menus, tooltips, scroll bars, file dialogs and
// message boxes take the dark Theme, and Qt's own texts ("Salvar como", "Cancelar") come in the
// language the rest of the interface speaks.
namespace Appearance {

// The Theme as a palette for Qt's own widgets.
QPalette palette();

// Installs the style, the palette and Qt's translations for the current interface language. Once, at
// start-up, before any window exists.
void apply(QApplication &app);

} // namespace Appearance
