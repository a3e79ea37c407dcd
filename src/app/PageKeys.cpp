#include "app/PageKeys.h"

#include "platform/KeyEvent.h"

#include <array>
#include <utility>

namespace PageKeys {

namespace {

using Page = AppRouter::Page;
namespace KeyCode = platform::KeyCode;

constexpr std::array<std::pair<Page, int>, 6> kKeys{{{Page::home, KeyCode::n1},
                                                     {Page::editor, KeyCode::n2},
                                                     {Page::history, KeyCode::n3},
                                                     {Page::tutorial, KeyCode::n4},
                                                     {Page::brand, KeyCode::n5},
                                                     {Page::settings, KeyCode::comma}}};

} // namespace

std::optional<Page> pageForKeyCode(int keyCode) {
    for (const auto &[page, code] : kKeys)
        if (code == keyCode && page != Page::settings) return page;
    return std::nullopt;
}

Shortcut shortcut(Page page) {
    for (const auto &[p, code] : kKeys) {
        if (p != page) continue;
        const QString key = page == Page::settings ? QStringLiteral(",") : QString::number(int(page) + 1);
        return Shortcut{std::uint16_t(code), platform::ModifierFlag::command, key};
    }
    return {};
}

Shortcut sidebarShortcut() {
    return Shortcut{std::uint16_t(KeyCode::s), platform::ModifierFlag::control | platform::ModifierFlag::command,
                    QStringLiteral("S")};
}

QString label(Page page) { return shortcut(page).displayString(); }

} // namespace PageKeys
