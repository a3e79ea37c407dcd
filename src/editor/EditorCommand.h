#pragma once

#include "core/Backdrop.h"

#include <QString>

#include <functional>
#include <optional>

// One row of the editor's command bar: where it is listed, what it reads and what it does.
struct EditorCommand {
    QString id;                       // stable and unique within one table ("tool-arrow", "bg-aurora", …)
    QString group;                    // section name, in the current language
    QString title;                    // in the current language
    QString shortcut;                 // the key hint shown at the right ("Ctrl+C", "]", "3", "atual"); empty for none
    std::optional<Backdrop> backdrop; // set on backdrop rows only, drawn as a swatch
    std::function<void()> run;        // does nothing once the model is gone
};
