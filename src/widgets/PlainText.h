#pragma once

#include <QString>

// Texts from the user or from other programs (names, titles, recognised text) put where Qt reads more
// than the letters: a tooltip is laid out as rich text whenever its text looks like markup, and a menu
// item takes "&" for its mnemonic and a window's title "[*]" for its modified mark. Our own fixed texts
// need none of it.

// `text` as a tooltip that shows its letters: unchanged where Qt would show it as plain text anyway,
// else escaped inside a paragraph that keeps its spaces and lines.
QString plainToolTip(const QString &text);

// `text` as a menu item's title that shows every "&" and underlines nothing.
QString plainMenuText(const QString &text);

// `text` as a window's title that shows every "[*]".
QString plainWindowTitle(const QString &text);
