#pragma once

#include "core/Backdrop.h"

#include <QImage>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

class QWidget;

// The backdrop editor sheet's seams.
//
// Pages other than the editor open the sheet with `open`: what to edit and how, and a completion that
// receives the saved backdrop, or none when the sheet was cancelled or could not be shown. The sheet
// never deletes there.
//
// The editor page hosts the sheet itself (a window-modal dialog bound to its model's draft) and asks
// `makeContent` for what goes inside: the backdrop editor installs its view with `setContent`; until it
// does, a plain stand-in shows the draft's name with "Cancelar" and the save button, so a draft never
// holds the keys without a visible sheet.
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

// What the content's buttons call. Each closes the sheet through the host (the model clears its draft).
struct Actions {
    std::function<void(const Backdrop &)> save; // the edited backdrop
    std::function<void()> remove;               // empty: no delete (a backdrop not stored yet)
    std::function<void()> cancel;
};
// Builds the content of a hosted sheet as a child of `sheet`; the host lays it out filling the sheet.
using Content = std::function<QWidget *(QWidget *sheet, const Request &request, const Actions &actions)>;

// The installed content, else the stand-in.
QWidget *makeContent(QWidget *sheet, const Request &request, const Actions &actions);
// Installs the content (an empty one brings the stand-in back).
void setContent(Content content);

} // namespace BackdropSheet
