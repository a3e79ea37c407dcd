#pragma once

#include "brand_window/BrandNoticeBanner.h"
#include "widgets/ThemedLabel.h"

#include <QWidget>

#include <functional>

class BrandStore;
class QHBoxLayout;
class QLineEdit;
class QPushButton;
class QVBoxLayout;
struct BrandKit;

// The titled rounded card that frames each section of the brand page: title and subtitle with an
// optional accessory on the right, then the content, whose layout callers fill.
class BrandCard : public QWidget {
    Q_OBJECT
public:
    BrandCard(const QString &title, const QString &subtitle, int contentSpacing, QWidget *parent = nullptr);
    void setAccessory(QWidget *accessory);
    QVBoxLayout *content() const { return m_content; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QHBoxLayout *m_header = nullptr;
    QVBoxLayout *m_content = nullptr;
};

// A card that edits the brand. It keeps no data of its own: `sync` shows the store's kit in its controls,
// and every change copies the kit, changes one field and assigns it back (a change a control reports
// while the card syncs is dropped). The page calls `refresh` when the kit or the logo changes.
class BrandKitCard : public BrandCard {
    Q_OBJECT
public:
    BrandKitCard(BrandStore &brand, const QString &title, const QString &subtitle, int contentSpacing,
                 QWidget *parent = nullptr);
    void refresh();

signals:
    // What the page's banner should say about something this card did.
    void noticeRaised(const BrandNotice &notice);

protected:
    virtual void sync() = 0;
    void writeKit(const std::function<void(BrandKit &)> &change);
    BrandStore &brand() const { return m_brand; }

private:
    BrandStore &m_brand;
    bool m_syncing = false;
};

// The caption above a field.
class FieldLabel : public PlainLabel {
    Q_OBJECT
public:
    explicit FieldLabel(const QString &text, QWidget *parent = nullptr);
};

// The one-line text field of the cards, 32 high.
QLineEdit *plainField(const QString &placeholder, QWidget *parent);
// A button drawn as its text alone, left aligned, in `color`.
QPushButton *borderlessButton(const QString &text, const QColor &color, QWidget *parent);
