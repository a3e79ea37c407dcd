#pragma once

#include "core/LatestResult.h"

#include <QImage>
#include <QList>
#include <QTimer>
#include <QWidget>

class BackdropTile;
class BrandGuidePreview;
class BrandStore;
class QLabel;
class QStackedWidget;
class ShadowHost;
class StyleStore;
template <typename T>
class Segmented;

// The preview column of the brand page: "Guia" shows a miniature of an exported guide, "Print" the sample
// screenshot beautified in the default style on a brand backdrop (chosen by the chips under it) with the
// logo; a caption says what is shown. The guide follows at once; the print is rendered off the main thread
// `renderDelayMs` after the last `refreshArt`, and only while the pane is active. Its switch is
// "previewSwitch", the rendered print "printImage", the caption "caption".
class BrandPreviewPane : public QWidget {
    Q_OBJECT
public:
    enum class Tab { guide, print };
    static constexpr int renderDelayMs = 60;

    BrandPreviewPane(BrandStore &brand, StyleStore &styles, QWidget *parent = nullptr);

    void setTab(Tab tab);
    void setBackdropID(const QString &id);
    // The logo as the guide miniature paints it, tinted for the guide's background.
    QImage guideLogo() const { return m_guideLogo; }

    // While the page is on screen; leaving it drops a pending render.
    void setActive(bool active);
    // The guide logo at once; the print preview `renderDelayMs` after the last call.
    void refreshArt();
    // Reads the kit and the backdrops again.
    void refresh();
    void refreshBackdrops();

signals:
    void printPreviewChanged();

private:
    void sync();
    // What the caption under the preview says now.
    QString caption() const;
    void startRender();

    BrandStore &m_brand;
    StyleStore &m_styles;
    bool m_active = false;
    Tab m_tab = Tab::guide;
    QString m_backdropID;
    QImage m_printPreview;
    QImage m_guideLogo;
    QTimer m_renderTimer;
    LatestResult m_render;

    Segmented<Tab> *m_segments = nullptr;
    QStackedWidget *m_stack = nullptr;
    BrandGuidePreview *m_guidePreview = nullptr;
    QLabel *m_printImage = nullptr;
    ShadowHost *m_printShadow = nullptr;
    QList<BackdropTile *> m_chips;
    QLabel *m_caption = nullptr;
};
