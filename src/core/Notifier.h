#pragma once

#include "platform/SharedService.h"

#include <QImage>
#include <QSize>
#include <QString>

#include <utility>

// What a notice tells: that something was done (its title after a checkmark), a plain notice of what
// was found or not (no mark), or that something failed or was refused (after a warning sign).
enum class ToastKind { done, notice, failure };

// A transient notice for the person: a picture, or a symbol drawn in its place, with a title and a
// subtitle.
struct Notice {
    Notice(QImage picture_, QString title_, QString subtitle_, ToastKind kind_ = ToastKind::done)
        : picture(std::move(picture_)), title(std::move(title_)), subtitle(std::move(subtitle_)), kind(kind_) {}
    // A notice that shows the symbol named `symbolName` as its picture.
    static Notice withSymbol(QString symbolName, QString title_, QString subtitle_) {
        Notice notice({}, std::move(title_), std::move(subtitle_));
        notice.symbol = std::move(symbolName);
        return notice;
    }

    QImage picture;
    QString title;
    QString subtitle;
    ToastKind kind = ToastKind::done;
    QString symbol; // when set, this symbol is the picture
};

// Tells the person what happened. Stores and services above the interface kit go through it and so
// know no window; the kit brings the real one, the toast (widgets/Toast.cpp), and tests substitute
// their own to read what it was told. Main thread.
class Notifier : public platform::SharedService<Notifier> {
public:
    virtual ~Notifier() = default;
    virtual void notify(const Notice &notice) = 0;

    // The box a notice's picture is shown in, in points.
    static constexpr QSize thumbnailBox{60, 44};
    // What a notice keeps of a picture: scaled to fill twice its box (never enlarged). Any thread, so
    // that a large picture is reduced before it reaches the main thread.
    static QImage thumbnail(const QImage &image);
};
template <>
Notifier &platform::SharedService<Notifier>::real();
