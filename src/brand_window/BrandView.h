#pragma once

#include "brand/BrandKit.h"

#include <QImage>
#include <QList>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QVariantAnimation>
#include <QWidget>

#include <functional>
#include <optional>

namespace BrandImporter {
struct Result;
}
class BackdropTile;
class BrandCard;
class BrandGuidePreview;
class BrandStore;
class BrandSwitch;
class ColorSwatchButton;
class HexField;
class LogoDropZone;
class OptionChip;
class PositionPicker;
class QComboBox;
class ShadowHost;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QStackedWidget;
class QHBoxLayout;
class QVBoxLayout;
class StyleStore;
template <typename T>
class Segmented;

// The brand page ("Marca"): the cards that edit the brand (logo and name, colours, guide font, logo on
// screenshots, brand backdrops, guide footer) beside a preview of a guide or of a beautified sample
// screenshot. It keeps no data of its own: every change copies the store's kit, changes one field and
// assigns it back. While it is on screen it follows the brand and the style store; leaving it detaches
// the colour panel and drops a pending preview render.
class BrandView : public QWidget {
    Q_OBJECT
public:
    enum class PreviewTab { guide, print };
    // The page's message banner; `undo` is the kit before the change it reports, when that can be undone.
    struct Notice {
        QString text;
        bool isWarning = false;
        std::optional<BrandKit> undo;
        bool operator==(const Notice &) const = default;
    };

    BrandView(BrandStore &brand, StyleStore &styles, QWidget *parent = nullptr);
    ~BrandView() override;

    const std::optional<Notice> &notice() const { return m_notice; }
    void setNotice(std::optional<Notice> notice);
    // "Desfazer cores": the whole kit as it was, without the custom backdrops following; closes the banner.
    void undoNotice();

    PreviewTab previewTab() const { return m_previewTab; }
    void setPreviewTab(PreviewTab tab);
    QString previewBackdropID() const { return m_previewBackdropID; }
    void setPreviewBackdropID(const QString &id);
    QImage printPreview() const { return m_printPreview; }
    QImage guideLogo() const { return m_guideLogo; }
    // What the caption under the preview says now.
    QString previewCaption() const;

    // Runs the open panel for a design file and imports it.
    void importFile();
    // Reads the design file at `path` off the main thread (a newer call supersedes an older one) and
    // reports what was found; `importFinished` follows.
    void importFrom(const QString &path);
    // Runs the open panel for a logo file and loads it.
    void chooseLogo();
    // Reads a logo off the main thread (a newer call supersedes an older one), stores it as logo.png
    // and takes the brand colours from it; `logoLoadFinished` follows.
    void loadLogo(const QString &path);

    // "Mostrar no Editor": puts the brand backdrops in the editor's list or takes them out.
    void setBackdropsInEditor(bool on);
    // A tile click: selects the backdrop for the print preview and opens the backdrop sheet on it.
    void editBackdrop(const QString &id);

    // The guide logo at once; the print preview `renderDelayMs` after the last call.
    void refreshArt();
    static constexpr int renderDelayMs = 60;
    static constexpr int noticeAnimationMs = 150;

signals:
    void printPreviewChanged();
    void logoLoadFinished();
    void importFinished();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void buildHeader(QVBoxLayout *page);
    QWidget *buildNoticeBanner();
    BrandCard *buildLogoCard();
    BrandCard *buildColorsCard();
    BrandCard *buildFontCard();
    BrandCard *buildPrintCard();
    BrandCard *buildBackdropsCard();
    BrandCard *buildGuideCard();
    QWidget *buildPreviewPane();

    void writeKit(const std::function<void(BrandKit &)> &change);
    void kitChanged();
    void sync();
    void syncNotice();
    void animateNotice(bool had);
    void syncLogoCard();
    void syncColors();
    void syncFont();
    void syncPrintCard();
    void syncBackdrops();
    void syncPreview();
    void startRender();
    void logoLoaded(const QImage &image, const QString &note, const QString &message);
    void imported(const QString &name, const BrandImporter::Result &result);
    void leave();

    BrandStore &m_brand;
    StyleStore &m_styles;
    BrandKit m_lastKit;
    bool m_active = false;

    std::optional<Notice> m_notice;
    PreviewTab m_previewTab = PreviewTab::guide;
    QString m_previewBackdropID;
    QImage m_printPreview;
    QImage m_guideLogo;
    QStringList m_families;
    QTimer m_renderTimer;
    QVariantAnimation m_noticeAnimation;
    bool m_noticeClosing = false;
    quint64 m_renderGeneration = 0;
    quint64 m_logoGeneration = 0;
    quint64 m_importGeneration = 0;
    bool m_loadingLogo = false;
    bool m_syncing = false;

    // Views kept to follow the state.
    QScrollArea *m_cardsScroll = nullptr;
    QWidget *m_banner = nullptr;
    QLabel *m_bannerIcon = nullptr;
    QLabel *m_bannerText = nullptr;
    QPushButton *m_bannerUndo = nullptr;
    LogoDropZone *m_dropZone = nullptr;
    QPushButton *m_chooseButton = nullptr;
    QPushButton *m_removeButton = nullptr;
    QLineEdit *m_nameField = nullptr;
    QWidget *m_logoColorsRow = nullptr;
    QHBoxLayout *m_logoColorsSwatches = nullptr;
    QList<quint32> m_shownLogoColors; // what the swatches show: they are made anew only when it changes
    QPushButton *m_useLogoColors = nullptr;
    QList<ColorSwatchButton *> m_roleSwatches;
    QList<HexField *> m_roleFields;
    QComboBox *m_fontPicker = nullptr;
    QLabel *m_fontWarning = nullptr;
    BrandSwitch *m_logoSwitch = nullptr;
    QLabel *m_noLogoLine = nullptr;
    QWidget *m_printBlocks = nullptr;
    PositionPicker *m_positionPicker = nullptr;
    QList<OptionChip *> m_sizeChips;
    QList<OptionChip *> m_variantChips;
    QList<BackdropTile *> m_tiles;
    BrandSwitch *m_editorSwitch = nullptr;
    QPushButton *m_resetBackdrops = nullptr;
    QLineEdit *m_footerField = nullptr;
    Segmented<PreviewTab> *m_previewSegments = nullptr;
    QStackedWidget *m_previewStack = nullptr;
    BrandGuidePreview *m_guidePreview = nullptr;
    QLabel *m_printImage = nullptr;
    ShadowHost *m_printShadow = nullptr;
    QList<BackdropTile *> m_previewChips;
    QLabel *m_caption = nullptr;
};
