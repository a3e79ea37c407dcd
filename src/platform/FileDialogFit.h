#pragma once

#include <QRect>
#include <QSize>
#include <QString>

#include <optional>

class QFileDialog;
class QWidget;

namespace platform {

// The size Qt's own file dialogs open at on a screen whose free area is `available`: 900 × 600, less
// where the screen is smaller, so that every column of the file list shows.
QSize fileDialogSize(const QRect &available);

// The window a file dialog opens over, centred on it and kept with it by the window manager: the
// application's active window; none when it has none (the dialog then opens in the screen's middle).
QWidget *fileDialogOwner();

// Sets up Qt's own file dialog (a desktop's file chooser, which Qt uses where the platform theme offers
// one, takes none of it): that size on the screen of the window it opens over (else the one under the
// pointer), the home, pictures, desktop and documents folders in its side bar, and columns that fit
// their titles.
void fitFileDialog(QFileDialog &dialog);

// What the three file panels do once their dialog is set up: fits it, runs it modal and returns the
// first path chosen; none when the user cancels.
std::optional<QString> runFileDialog(QFileDialog &dialog);

} // namespace platform
