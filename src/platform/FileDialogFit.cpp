#include "platform/FileDialogFit.h"

#include <QApplication>
#include <QCursor>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QListView>
#include <QScreen>
#include <QStandardPaths>
#include <QStyle>
#include <QTreeView>
#include <QUrl>

#include <algorithm>

namespace platform {

QSize fileDialogSize(const QRect &available) {
    // A margin of the screen left free around it, for the desktop's panels and the window's frame.
    const QSize wanted(std::min(900, available.width() - 80), std::min(600, available.height() - 80));
    return wanted.expandedTo(QSize(480, 360));
}

QWidget *fileDialogOwner() { return QApplication::activeWindow(); }

void fitFileDialog(QFileDialog &dialog) {
    // The screen of the window it opens over; without one, the screen under the pointer.
    const QScreen *screen =
        dialog.parentWidget() ? dialog.parentWidget()->screen() : QGuiApplication::screenAt(QCursor::pos());
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (screen) dialog.resize(fileDialogSize(screen->availableGeometry()));
    QList<QUrl> places;
    for (const auto location : {QStandardPaths::HomeLocation, QStandardPaths::PicturesLocation,
                                QStandardPaths::DesktopLocation, QStandardPaths::DocumentsLocation}) {
        const QString path = QStandardPaths::writableLocation(location);
        const QUrl url = QUrl::fromLocalFile(path);
        if (!path.isEmpty() && QFileInfo(path).isDir() && !places.contains(url)) places.append(url);
    }
    dialog.setSidebarUrls(places);
    // The places column as wide as its longest name ("Documents", a folder of the user's naming): Qt
    // opens it at a width of its own, which cuts them.
    if (auto *sidebar = dialog.findChild<QListView *>(QStringLiteral("sidebar"))) {
        const int scrollBar = sidebar->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, sidebar);
        const int contents =
            sidebar->sizeHintForColumn(0) + 2 * sidebar->spacing() + 2 * sidebar->frameWidth() + scrollBar;
        sidebar->setMinimumWidth(std::min(contents, dialog.width() / 3));
    }
    // The file list of Qt's own dialog (a desktop's chooser has none): every column as wide as its title
    // and contents need, the name taking the rest, so that none is cut at the right edge.
    if (auto *list = dialog.findChild<QTreeView *>(QStringLiteral("treeView"))) {
        QHeaderView *header = list->header();
        header->setStretchLastSection(false);
        header->setSectionResizeMode(QHeaderView::ResizeToContents);
        header->setSectionResizeMode(0, QHeaderView::Stretch);
    }
}

std::optional<QString> runFileDialog(QFileDialog &dialog) {
    fitFileDialog(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

} // namespace platform
