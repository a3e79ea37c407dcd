#pragma once

#include "platform/SharedService.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

#include <functional>

namespace platform {

// The system clipboard, behind an interface so tests can watch what is written. The shared one is the
// clipboard of the desktop session (QClipboard); the application's event loop must run for other
// programs to paste.
class Pasteboard : public SharedService<Pasteboard> {
public:
    using Item = QPair<QString, QByteArray>; // MIME type, bytes
    // A type whose bytes are made only when a program asks for them.
    struct Deferred {
        QString type;
        std::function<QByteArray()> make; // runs on the main thread; empty bytes: not available
        bool keep = true;                 // else made again at every request, and never held
    };

    virtual ~Pasteboard() = default;

    // Replaces the clipboard's contents with exactly these types. Nothing is touched when the list
    // is empty. Returns whether the clipboard now holds them.
    virtual bool setContents(const QList<Item> &items) = 0;
    // The same with `deferred` types offered too, each made at the first request and kept while the
    // contents stay. Nothing is touched when `items` is empty. The base makes them at once.
    virtual bool setLazyContents(const QList<Item> &items, const QList<Deferred> &deferred);
    virtual QList<Item> contents() const = 0;
    // While the clipboard still holds exactly `held` (the very bytes, not a copy) as `type`, lets them
    // go: from then on `make` makes them at each request (reading them from a file, say). Returns
    // whether it did. The base keeps them.
    virtual bool releaseHeld(const QString &type, const QByteArray &held, std::function<QByteArray()> make);
};
template <>
Pasteboard &SharedService<Pasteboard>::real();

} // namespace platform
