#include "editor/EditorKeyHandler.h"

#include "editor/EditorModel.h"
#include "platform/KeyEvent.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace EditorKeyHandler {

namespace {

namespace Flag = platform::ModifierFlag;
namespace Key = platform::KeyCode;
using platform::KeyEvent;

constexpr double paddingStep = 8;
constexpr double nudgeStep = 1;
constexpr double bigNudgeStep = 10;

bool isReturn(const KeyEvent &e) { return e.keyCode == Key::returnKey || e.keyCode == Key::keypadEnter; }

// A line edit, text edit or spin box of the window (the side panel's fields) is being edited.
bool textFieldHasFocus() {
    QWidget *focus = QApplication::focusWidget();
    return qobject_cast<QLineEdit *>(focus) || qobject_cast<QTextEdit *>(focus) ||
           qobject_cast<QPlainTextEdit *>(focus) || qobject_cast<QAbstractSpinBox *>(focus);
}

bool commandBarKey(const KeyEvent &e, EditorModel &m) {
    if (isReturn(e)) {
        m.runSelectedCommand();
    } else if (e.keyCode == Key::escape || (e.keyCode == Key::k && e.shortcutModifiers() == Flag::command)) {
        m.page().setCommandBarOpen(false);
    } else if (e.keyCode == Key::downArrow || e.keyCode == Key::upArrow) {
        m.moveCommandSelection(e.keyCode == Key::downArrow ? 1 : -1);
    } else {
        return false; // typed into the bar's search field
    }
    return true;
}

bool shiftCommandKey(const KeyEvent &e, EditorModel &m) {
    if (e.keyCode == Key::c) m.copyText();
    else if (e.keyCode == Key::z) m.document().redo();
    else return false;
    return true;
}

bool commandKey(const KeyEvent &e, EditorModel &m) {
    switch (e.keyCode) {
    case Key::s: m.save(); return true;
    case Key::z: m.document().undo(); return true;
    case Key::c: m.copy(); return true;
    case Key::w: m.close(); return true;
    case Key::k: m.page().setCommandBarOpen(true); return true;
    default: return false;
    }
}

bool nudge(const KeyEvent &e, EditorModel &m) {
    if (!m.document().selectedID() || e.shortcutModifiers() & (Flag::control | Flag::option | Flag::command))
        return false;
    const double step = e.has(Flag::shift) ? bigNudgeStep : nudgeStep;
    switch (e.keyCode) {
    case Key::leftArrow: m.document().nudgeSelected(-step, 0); break;
    case Key::rightArrow: m.document().nudgeSelected(step, 0); break;
    case Key::upArrow: m.document().nudgeSelected(0, -step); break;
    default: m.document().nudgeSelected(0, step); break;
    }
    return true;
}

// Space shows the untouched capture while it is held (its release is handled with the key-ups).
bool space(const KeyEvent &e, EditorModel &m) {
    if (m.document().tool() != EditorTool::preview) return false;
    if (!e.isRepeat) m.page().setShowOriginal(true);
    return true;
}

// The single-key commands, by the character typed.
bool typedKey(const KeyEvent &e, EditorModel &m) {
    const QString typed = e.charactersIgnoringModifiers.toLower();
    if (typed.isEmpty()) return false;
    for (EditorTool tool : EditorTools::all) {
        if (typed != toolKey(tool).toLower()) continue;
        m.document().setTool(tool);
        return true;
    }
    if (typed.size() == 1 && typed[0] >= u'1' && typed[0] <= u'9') {
        m.applyPreset(typed[0].unicode() - u'1'); // a digit past the stored presets does nothing
        return true;
    }
    if (typed == u"[") m.adjustPadding(-paddingStep);
    else if (typed == u"]") m.adjustPadding(paddingStep);
    else if (typed == u"e") m.editBackdrop(m.document().style().backdrop);
    else if (typed == u"?") m.page().setShortcutsOpen(true);
    else return false;
    return true;
}

// No modifier, Shift, or any combination with Super or Alt.
bool otherKey(const KeyEvent &e, EditorModel &m) {
    switch (e.keyCode) {
    case Key::escape:
        if (m.document().tool() == EditorTool::preview) {
            m.close();
        } else {
            m.document().setSelectedID(std::nullopt);
            m.document().setTool(EditorTool::preview);
        }
        return true;
    case Key::returnKey:
    case Key::keypadEnter:
        if (m.document().tool() == EditorTool::crop)
            m.document().setTool(EditorTool::preview); // the crop stays as drawn
        else m.copy();
        return true;
    case Key::deleteKey:
    case Key::forwardDelete:
        if (!m.document().selectedID()) return false;
        m.document().deleteSelected();
        return true;
    case Key::leftArrow:
    case Key::rightArrow:
    case Key::upArrow:
    case Key::downArrow: return nudge(e, m);
    case Key::space: return space(e, m);
    default: break;
    }
    if (e.shortcutModifiers() & (Flag::control | Flag::option | Flag::command)) return false;
    return typedKey(e, m);
}

} // namespace

QString toolKey(EditorTool tool) {
    switch (tool) {
    case EditorTool::preview: return QStringLiteral("P");
    case EditorTool::select: return QStringLiteral("V");
    case EditorTool::arrow: return QStringLiteral("A");
    case EditorTool::rectangle: return QStringLiteral("R");
    case EditorTool::highlight: return QStringLiteral("H");
    case EditorTool::text: return QStringLiteral("T");
    case EditorTool::blur: return QStringLiteral("B");
    case EditorTool::crop: return QStringLiteral("C");
    }
    return {};
}

bool handle(const KeyEvent &event, EditorModel &model) {
    // The backdrop editor takes every key, presses and releases.
    if (model.page().backdropDraft()) return false;
    if (event.type == KeyEvent::Type::keyUp) {
        if (event.keyCode != Key::space || !model.page().showOriginal()) return false;
        model.page().setShowOriginal(false);
        return true;
    }
    if (model.document().editingTextID()) {
        if (event.keyCode != Key::escape) return false; // typed into the text
        model.document().finishTextEditing();
        return true;
    }
    if (model.page().isCommandBarOpen()) return commandBarKey(event, model);
    if (model.page().isShortcutsOpen()) {
        model.page().setShortcutsOpen(false);
        return true;
    }
    if (textFieldHasFocus()) return false;
    const std::uint32_t modifiers = event.shortcutModifiers();
    if (modifiers == (Flag::shift | Flag::command)) return shiftCommandKey(event, model);
    if (modifiers == Flag::command) return commandKey(event, model);
    return otherKey(event, model);
}

} // namespace EditorKeyHandler
