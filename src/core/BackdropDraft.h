#pragma once

#include "core/Backdrop.h"

#include <QUuid>

// A request for the backdrop editor: the backdrop under edit (a copy) and whether it is new to the
// host's list. Identity is `id` alone, new for every draft, so two drafts of the same backdrop are
// two openings of the editor, each starting from its own copy.
struct BackdropDraft {
    BackdropDraft(Backdrop edited, bool created) : backdrop(std::move(edited)), isNew(created) {}

    QUuid id = QUuid::createUuid();
    Backdrop backdrop;
    bool isNew = false;
};
