#pragma once

#include "brand/BrandKit.h"

#include <QVariantAnimation>
#include <QWidget>

#include <optional>

class QLabel;
class QPushButton;

// A message of the brand page; `undo` is the kit before the change it reports, when that can be undone.
struct BrandNotice {
    QString text;
    bool isWarning = false;
    std::optional<BrandKit> undo;
    bool operator==(const BrandNotice &) const = default;
};

// The banner heading the brand page's cards: the notice's icon and text, "Desfazer cores" when it can be
// undone, and a button that closes it. It eases in (height and opacity) when a notice appears, out when it
// closes, and a notice replacing another fades in where it stands, so the cards below never jump.
class BrandNoticeBanner : public QWidget {
    Q_OBJECT
public:
    static constexpr int animationMs = 150;

    explicit BrandNoticeBanner(QWidget *parent = nullptr);

    const std::optional<BrandNotice> &notice() const { return m_notice; }
    void setNotice(std::optional<BrandNotice> notice);

signals:
    void undoClicked();

private:
    void sync();
    void animate(bool had);

    std::optional<BrandNotice> m_notice;
    QVariantAnimation m_animation;
    bool m_closing = false;
    QLabel *m_icon = nullptr;
    QLabel *m_text = nullptr;
    QPushButton *m_undo = nullptr;
};
