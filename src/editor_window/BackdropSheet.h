#pragma once

#include "core/Backdrop.h"

#include <QImage>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

class QWidget;

// The one way in to the window-modal backdrop editor sheet for pages other than the editor: what to
// edit and how, and a completion that receives the saved backdrop, or none when the sheet was
// cancelled or could not be shown. The sheet never deletes.
namespace BackdropSheet {

struct Request {
    Backdrop backdrop;
    QImage sample;               // drawn on the backdrop in the sheet's stage
    QList<quint32> brandPalette; // offered first among the palettes
    QString saveTitle;           // the save button's label
};

using Completion = std::function<void(std::optional<Backdrop>)>;
using Presenter = std::function<void(QWidget *parent, const Request &request, Completion done)>;

// Whether a presenter is installed (the backdrop editor installs itself once it exists).
bool available();
// Opens the sheet over `parent`'s window; without a presenter, completes at once with none.
void open(QWidget *parent, const Request &request, Completion done);
// Installs the presenter (tests install their own; an empty one removes it).
void setPresenter(Presenter presenter);

} // namespace BackdropSheet
