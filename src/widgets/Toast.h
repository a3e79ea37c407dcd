#pragma once

#include "core/Notifier.h"

#include <QImage>
#include <QPointer>
#include <QString>
#include <QWidget>

class CardShape;
class QPropertyAnimation;

// The card a toast shows: thumbnail (none without a picture), the mark of its kind and title, subtitle;
// always 320 × 76, with its shadow in a transparent margin around it where see-through windows are
// possible (a compositor runs), else cut to its rounded shape. It keeps only the thumbnail of the image
// it is given.
class ToastView : public QWidget {
    Q_OBJECT
public:
    ToastView(const QImage &image, const QString &title, const QString &subtitle, ToastKind kind = ToastKind::done,
              QWidget *parent = nullptr);
    int shadowMargin() const { return m_shadowMargin; }
    // The card inside the widget.
    QRect card() const { return rect().adjusted(m_shadowMargin, m_shadowMargin, -m_shadowMargin, -m_shadowMargin); }
    QString title() const { return m_title; }
    QString subtitle() const { return m_subtitle; }
    ToastKind kind() const { return m_kind; }
    // The symbol before the title; empty for a notice.
    QString mark() const;
    // The symbol's colour.
    QColor markColor() const;
    // Shows another notice in the same card.
    void setContent(const QImage &image, const QString &title, const QString &subtitle,
                    ToastKind kind = ToastKind::done);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_shadowMargin = 0;
    CardShape *m_shape = nullptr;
    QImage m_image;
    QString m_title;
    QString m_subtitle;
    ToastKind m_kind;
    QImage m_plate;      // the card with the mark and texts, as last drawn
    QString m_plateLook; // and what it was drawn for
};

// The application-wide transient notice, the real Notifier: fades in at the bottom centre of the screen under the
// pointer, stays until 1.8 s after it was shown, fades out. It never takes the focus, lets clicks
// through, and a new toast replaces the one on screen at once (in the same window: a copy each few
// seconds makes and drops no window).
namespace Toast {

inline constexpr int kFadeInMs = 180;
inline constexpr int kVisibleMs = 1800;
inline constexpr int kFadeOutMs = 250;

// `image` may be the full picture; the toast keeps only its thumbnail.
void show(const QImage &image, const QString &title, const QString &subtitle, ToastKind kind = ToastKind::done);
// A symbol as a toast's picture: centred on a transparent picture of the thumbnail's shape, so that
// filling the thumbnail crops nothing of it.
QImage symbolImage(const QString &symbolName);

} // namespace Toast
