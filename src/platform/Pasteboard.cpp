#include "platform/Pasteboard.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QMimeData>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <cstdlib>

namespace platform {

namespace {

// X11 only: whether the clipboard selection really is ours. Qt claims it stamped with the time of the
// last X event it saw; when the copy was started from outside X (a second launch, a timer) that time can
// predate another program's claim, and the X server then ignores ours without an error.
class X11Selection {
public:
    X11Selection() {
        auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
        m_connection = x11 ? x11->connection() : nullptr;
        if (!m_connection) return;
        xcb_intern_atom_reply_t *reply =
            xcb_intern_atom_reply(m_connection, xcb_intern_atom(m_connection, 0, 9, "CLIPBOARD"), nullptr);
        if (reply) m_clipboard = reply->atom;
        std::free(reply);
    }

    bool available() const { return m_connection && m_clipboard != XCB_ATOM_NONE; }

    // Windows of this client carry its resource-id base.
    bool ownsClipboard() const {
        if (!available()) return true;
        xcb_get_selection_owner_reply_t *reply =
            xcb_get_selection_owner_reply(m_connection, xcb_get_selection_owner(m_connection, m_clipboard), nullptr);
        const xcb_window_t owner = reply ? reply->owner : xcb_window_t(XCB_WINDOW_NONE);
        std::free(reply);
        const xcb_setup_t *setup = xcb_get_setup(m_connection);
        return owner != XCB_WINDOW_NONE && (owner & ~setup->resource_id_mask) == setup->resource_id_base;
    }

    // Makes the server send Qt an event with the current time: a zero-length append to a property of
    // a small window of ours that reports property changes. Qt takes the time of every property event.
    void refreshQtTime() {
        if (!available()) return;
        if (m_window == XCB_WINDOW_NONE) {
            const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
            if (!screen) return;
            m_window = xcb_generate_id(m_connection);
            const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
            xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, m_window, screen->root, -10, -10, 1, 1, 0,
                              XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &mask);
        }
        xcb_change_property(m_connection, XCB_PROP_MODE_APPEND, m_window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, 0,
                            nullptr);
        xcb_flush(m_connection);
    }

private:
    xcb_connection_t *m_connection = nullptr;
    xcb_atom_t m_clipboard = XCB_ATOM_NONE;
    xcb_window_t m_window = XCB_WINDOW_NONE;
};

X11Selection &x11Selection() {
    static X11Selection selection;
    return selection;
}

// Clipboard data whose deferred types are made when first asked for (Qt asks through retrieveData when
// another program requests the type) and then kept with the data.
class LazyMimeData final : public QMimeData {
public:
    explicit LazyMimeData(const QList<Pasteboard::Deferred> &deferred) : m_deferred(deferred) {}

    QStringList formats() const override {
        QStringList all = QMimeData::formats();
        for (const Pasteboard::Deferred &d : m_deferred)
            if (!all.contains(d.type)) all.append(d.type);
        return all;
    }

    // Makes `type` on request from now on, when what is held for it is `held`.
    bool release(const QString &type, const QByteArray &held, std::function<QByteArray()> make) {
        if (!QMimeData::formats().contains(type) || !QMimeData::data(type).isSharedWith(held)) return false;
        removeFormat(type);
        m_deferred.prepend({type, std::move(make), false});
        return true;
    }

protected:
    QVariant retrieveData(const QString &type, QMetaType metaType) const override {
        for (qsizetype i = 0; i < m_deferred.size(); ++i) {
            if (m_deferred[i].type != type) continue;
            if (!m_deferred[i].keep) return m_deferred[i].make ? m_deferred[i].make() : QByteArray();
            const Pasteboard::Deferred made = m_deferred.takeAt(i);
            const QByteArray bytes = made.make ? made.make() : QByteArray();
            // Kept as ordinary data, so that later requests take it as it is.
            const_cast<LazyMimeData *>(this)->setData(type, bytes);
            return bytes;
        }
        return QMimeData::retrieveData(type, metaType);
    }

private:
    mutable QList<Pasteboard::Deferred> m_deferred;
};

void setMimeData(QClipboard *clipboard, const QList<Pasteboard::Item> &items,
                 const QList<Pasteboard::Deferred> &deferred) {
    auto *mime = new LazyMimeData(deferred);
    for (const Pasteboard::Item &item : items) mime->setData(item.first, item.second);
    clipboard->setMimeData(mime); // takes ownership
}

class SystemPasteboard final : public Pasteboard {
public:
    bool setContents(const QList<Item> &items) override { return setLazyContents(items, {}); }

    bool setLazyContents(const QList<Item> &items, const QList<Deferred> &deferred) override {
        if (items.isEmpty()) return false;
        QClipboard *clipboard = QGuiApplication::clipboard();
        if (!clipboard) return false;
        setMimeData(clipboard, items, deferred);
        X11Selection &selection = x11Selection();
        if (selection.ownsClipboard()) return true;
        // Refused for a stale time: get a fresh one from the server and claim again.
        selection.refreshQtTime();
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 50) QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
        setMimeData(clipboard, items, deferred);
        return selection.ownsClipboard();
    }

    bool releaseHeld(const QString &type, const QByteArray &held, std::function<QByteArray()> make) override {
        QClipboard *clipboard = QGuiApplication::clipboard();
        // Only our own contents are LazyMimeData; another program's are not.
        auto *mime = clipboard ? dynamic_cast<LazyMimeData *>(const_cast<QMimeData *>(clipboard->mimeData())) : nullptr;
        return mime && mime->release(type, held, std::move(make));
    }

    QList<Item> contents() const override {
        QList<Item> items;
        const QClipboard *clipboard = QGuiApplication::clipboard();
        const QMimeData *mime = clipboard ? clipboard->mimeData() : nullptr;
        if (!mime) return items;
        for (const QString &format : mime->formats()) items.append({format, mime->data(format)});
        return items;
    }
};

} // namespace

bool Pasteboard::setLazyContents(const QList<Item> &items, const QList<Deferred> &deferred) {
    if (items.isEmpty()) return false;
    QList<Item> all = items;
    for (const Deferred &d : deferred)
        if (const QByteArray bytes = d.make ? d.make() : QByteArray(); !bytes.isEmpty()) all.append({d.type, bytes});
    return setContents(all);
}

bool Pasteboard::releaseHeld(const QString &, const QByteArray &, std::function<QByteArray()>) { return false; }

template <>
Pasteboard &SharedService<Pasteboard>::real() {
    static SystemPasteboard system;
    return system;
}

} // namespace platform
