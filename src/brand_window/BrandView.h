#pragma once

#include "brand/BrandKit.h"
#include "brand_window/BrandNoticeBanner.h"
#include "brand_window/BrandPreviewPane.h"
#include "core/LatestResult.h"

#include <QImage>
#include <QList>
#include <QWidget>

#include <optional>

namespace BrandImporter {
struct Result;
}
class BrandBackdropsCard;
class BrandFontCard;
class BrandKitCard;
class BrandLogoCard;
class BrandStore;
class QScrollArea;
class QVBoxLayout;
class StyleStore;

// The brand page ("Marca"): the cards that edit the brand (logo and name, colours, guide font, logo on
// screenshots, brand backdrops, guide footer) under the notice banner, beside a preview of a guide or of a
// beautified sample screenshot. It keeps no data of its own: the cards change the store's kit, and the page
// has every card follow the kit and the logo. While it is on screen it follows the style store too and the
// preview renders; leaving it detaches the colour panel and drops a pending preview render.
class BrandView : public QWidget {
    Q_OBJECT
public:
    using Notice = BrandNotice;
    static constexpr int noticeAnimationMs = BrandNoticeBanner::animationMs;

    BrandView(BrandStore &brand, StyleStore &styles, QWidget *parent = nullptr);
    ~BrandView() override;

    // Shows a new notice in the banner and brings it into view, or closes the banner.
    void setNotice(std::optional<Notice> notice);
    // "Desfazer cores": the whole kit as it was, without the custom backdrops following; closes the banner.
    void undoNotice();

    // Runs the open panel for a design file and imports it.
    void importFile();
    // Reads the design file at `path` off the main thread (a newer call supersedes an older one) and
    // reports what was found; `importFinished` follows.
    void importFrom(const QString &path);
    // The logo card's: the open panel for a logo file, and reading one off the main thread (a newer call
    // supersedes an older one); `logoLoadFinished` follows.
    void chooseLogo();
    void loadLogo(const QString &path);

    // A tile click: selects the backdrop for the print preview and opens the backdrop sheet on it.
    void editBackdrop(const QString &id);

signals:
    void logoLoadFinished();
    void importFinished();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void buildHeader(QVBoxLayout *page);
    QWidget *buildCards();
    void kitChanged();
    void sync();
    void imported(const QString &name, const BrandImporter::Result &result);
    void leave();

    BrandStore &m_brand;
    StyleStore &m_styles;
    BrandKit m_lastKit;
    bool m_active = false;
    LatestResult m_import;

    QScrollArea *m_cardsScroll = nullptr;
    BrandNoticeBanner *m_banner = nullptr;
    BrandLogoCard *m_logoCard = nullptr;
    BrandFontCard *m_fontCard = nullptr;
    BrandBackdropsCard *m_backdropsCard = nullptr;
    QList<BrandKitCard *> m_cards; // in page order
    BrandPreviewPane *m_preview = nullptr;
};
