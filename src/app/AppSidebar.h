#pragma once

#include "app/AppRouter.h"
#include "core/ShortcutAction.h"

#include <QHash>
#include <QWidget>

class QAbstractButton;
class QVBoxLayout;
class QVariantAnimation;
class ShortcutStore;
class TutorialStore;

namespace platform {
class UserDefaults;
}

// The left column of the main window: the header with the collapse button, one item per page with its
// key, the capture open in the editor, and the three capture buttons with their current shortcuts.
// Collapsed ("sidebar.collapsed") it is a 60-wide strip of icons, else 210 wide; the width follows the
// setting with a short ease-out. It keeps no state of its own: it reads the router, the shortcuts and
// the tutorial store's recording flag, and writes only the router's page, the collapsed setting,
// closing the editor and starting captures. A page's item is "page:" and the page's name ("page:home"),
// a capture button "capture:" and the action's stored name ("capture:captureArea").
class AppSidebar : public QWidget {
    Q_OBJECT
public:
    AppSidebar(AppRouter &router, ShortcutStore &shortcuts, TutorialStore &tutorials, platform::UserDefaults &defaults,
               QWidget *parent = nullptr);

    static constexpr int expandedWidth = 210;
    static constexpr int collapsedWidth = 60;

    bool isCollapsed() const { return m_collapsed; }
    // The open capture's pixel size as the block shows it ("2880 × 1800").
    QString openPrintSize() const;

private:
    class Item;
    class OpenPrintRow;
    QWidget *makeHeader();
    void addItems(QVBoxLayout *column);
    void addCaptureButtons(QVBoxLayout *column);
    QWidget *makeOpenPrint();
    void setCollapsed(bool collapsed, bool animated);
    void refreshItems();
    void refreshOpenPrint();
    void refreshShortcuts();

    AppRouter &m_router;
    ShortcutStore &m_shortcuts;
    TutorialStore &m_tutorials;
    platform::UserDefaults &m_defaults;
    bool m_collapsed = false;
    QHash<AppRouter::Page, Item *> m_items;
    QHash<ShortcutAction, Item *> m_captures;
    QAbstractButton *m_collapse = nullptr;
    QWidget *m_header = nullptr;
    QWidget *m_captureHeading = nullptr;
    QWidget *m_openPrint = nullptr;
    OpenPrintRow *m_openPrintRow = nullptr;
    QWidget *m_recordingMark = nullptr;
    QVariantAnimation *m_width;
};
