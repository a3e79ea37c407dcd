#include "platform/Pasteboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace platform {

namespace {

class SystemPasteboard final : public Pasteboard {
public:
    bool setContents(const QList<Item> &items) override {
        if (items.isEmpty()) return false;
        QClipboard *clipboard = QGuiApplication::clipboard();
        if (!clipboard) return false;
        auto *mime = new QMimeData;
        for (const Item &item : items) mime->setData(item.first, item.second);
        clipboard->setMimeData(mime); // takes ownership
        return true;
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

Pasteboard *substitute = nullptr;

} // namespace

Pasteboard &Pasteboard::general() {
    if (substitute) return *substitute;
    static SystemPasteboard system;
    return system;
}

void Pasteboard::setGeneralForTesting(Pasteboard *pasteboard) { substitute = pasteboard; }

} // namespace platform
