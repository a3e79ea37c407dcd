#include "brand_window/BrandView.h"

#include "brand/BrandImporter.h"
#include "brand/BrandStore.h"
#include "brand_window/BrandControls.h"
#include "brand_window/BrandNoticeBanner.h"
#include "brand_window/BrandPreviewPane.h"
#include "brand_window/LogoDropZone.h"
#include "brand_window/PositionPicker.h"
#include "core/Localization.h"
#include "core/StyleStore.h"
#include "editor_window/BackdropSheet.h"
#include "editor_window/ColorPanelBridge.h"
#include "editor_window/HexField.h"
#include "platform/OpenPanel.h"
#include "platform/StringTables.h"
#include "platform/UserDefaults.h"
#include "support/FixedFonts.h"
#include "support/TestSupport.h"
#include "support/Waiting.h"

#include <QAccessible>
#include <QAnimationDriver>
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QVariantAnimation>

#include <gtest/gtest.h>

using platform::UserDefaults;

namespace {

// The animations' clock, moved by the test alone: an animation is looked at a chosen part of the way
// through, however slowly the machine runs. An animation of its own keeps the clock running, so that one
// started later counts from its start and no wall-clock time slips in as the clock starts.
class AnimationClock final : public QAnimationDriver {
public:
    AnimationClock() {
        install();
        m_keepRunning.setStartValue(0.0);
        m_keepRunning.setEndValue(1.0);
        m_keepRunning.setDuration(1000);
        m_keepRunning.setLoopCount(-1);
        m_keepRunning.start();
        EXPECT_TRUE(testsupport::becomes([this] { return isRunning(); }));
    }
    ~AnimationClock() override {
        m_keepRunning.stop();
        uninstall();
    }
    // Lets `ms` pass for every running animation, then lays out what they changed.
    void pass(int ms) {
        QCoreApplication::sendPostedEvents(); // an animation started meanwhile joins on a posted event
        m_now += ms;
        advance();
        QCoreApplication::sendPostedEvents();
    }
    qint64 elapsed() const override { return m_now - m_startedAt; }

protected:
    void start() override {
        m_startedAt = m_now;
        QAnimationDriver::start();
    }

private:
    qint64 m_now = 0;
    qint64 m_startedAt = 0;
    QVariantAnimation m_keepRunning;
};

// Lets every timer of up to `ms` started before now fire, and what it set off on the thread pool land:
// for a test that must see something did not happen. A timer of twice that, started after them, fires
// after them however late the event loop runs.
void passTimersOf(int ms) {
    testsupport::settle();
    QTimer later;
    later.setSingleShot(true);
    later.setTimerType(Qt::PreciseTimer);
    QSignalSpy fired(&later, &QTimer::timeout);
    later.start(2 * ms);
    EXPECT_TRUE(testsupport::received(fired));
    testsupport::settle();
}

// Waits for one more signal than `spy` has recorded so far.
bool another(QSignalSpy &spy) { return testsupport::received(spy, spy.size() + 1); }

class BrandViewTest : public ::testing::Test {
protected:
    testsupport::TempFolder dir;
    UserDefaults defaults{dir.file(QStringLiteral("defaults.json"))};
    StyleStore styles{defaults};
    BrandStore brand{defaults, styles, dir.file(QStringLiteral("Marca"))};
    BrandView view{brand, styles};

    void SetUp() override {
        view.resize(1100, 800);
        view.show();
    }
    void TearDown() override { BackdropSheet::setPresenter({}); }

    QString write(const QString &name, const QByteArray &bytes) {
        const QString path = dir.file(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return path;
    }
    QString png(const QString &name, const QImage &image) {
        const QString path = dir.file(name);
        image.save(path, "PNG");
        return path;
    }
    static QImage twoColours(QColor a, QColor b) {
        QImage image(200, 50, QImage::Format_ARGB32);
        image.fill(a);
        QPainter(&image).fillRect(100, 0, 100, 50, b);
        return image;
    }
    void importAndWait(const QString &path) {
        QSignalSpy done(&view, &BrandView::importFinished);
        view.importFrom(path);
        ASSERT_TRUE(testsupport::received(done));
    }
    void loadLogoAndWait(const QString &path) {
        QSignalSpy done(&view, &BrandView::logoLoadFinished);
        view.loadLogo(path);
        ASSERT_TRUE(testsupport::received(done));
    }
    void setKit(const std::function<void(BrandKit &)> &change) {
        BrandKit kit = brand.kit();
        change(kit);
        brand.setKit(kit);
    }
    // What the banner shows, and the preview column.
    const std::optional<BrandNotice> &notice() {
        return view.findChild<BrandNoticeBanner *>(QStringLiteral("notice"))->notice();
    }
    BrandPreviewPane *preview() { return view.findChild<BrandPreviewPane *>(QStringLiteral("preview")); }
    // The preview's tab, as its switch shows it, and its caption.
    BrandPreviewPane::Tab previewTab() {
        auto *print = testsupport::namedChild<QAbstractButton>(
            *testsupport::namedChild<QWidget>(*preview(), "previewSwitch"), "segment1");
        return print->isChecked() ? BrandPreviewPane::Tab::print : BrandPreviewPane::Tab::guide;
    }
    // The rendered print as the preview shows it.
    QImage shownPrint() { return testsupport::namedChild<QLabel>(*preview(), "printImage")->pixmap().toImage(); }
    QString previewCaption() { return testsupport::namedChild<QLabel>(*preview(), "caption")->text(); }
    // The backdrop of the chip checked under the print preview.
    QString previewBackdrop() {
        for (BackdropTile *chip : preview()->findChildren<BackdropTile *>())
            if (chip->isChecked()) return chip->backdrop().id;
        return {};
    }
    BrandSwitch *logoSwitch() { return switchNamed(L("Logo nos prints")); }
    BrandSwitch *editorSwitch() { return switchNamed(L("Mostrar no Editor")); }
    BrandSwitch *switchNamed(const QString &name) {
        for (BrandSwitch *s : view.findChildren<BrandSwitch *>())
            if (s->accessibleName() == name) return s;
        return nullptr;
    }
    static Backdrop solid(const QString &id, quint32 color) {
        Backdrop b;
        b.id = id, b.name = id, b.kind = Backdrop::Kind::solid, b.colors = {color};
        return b;
    }
};

} // namespace

TEST_F(BrandViewTest, ImportReportsWhatItFoundAndUndoRestoresTheKit) {
    setKit([](BrandKit &k) { k.customBackdrops = QList<Backdrop>{solid(QStringLiteral("brand-solid"), 0x123456)}; });
    const BrandKit before = brand.kit();
    importAndWait(write(QStringLiteral("x.css"), "# ACME\n--color-primary: #FF0000;\nfont-family: \"Inter\";\n"));
    ASSERT_TRUE(notice());
    EXPECT_EQ(notice()->text,
              L(LKey("Importado de %@: %@. Confira os papéis das cores.",
                     {QStringLiteral("x.css"),
                      L("1 cor") + QStringLiteral(" · ") + L(LKey("fonte %@", {QStringLiteral("Inter")}))})));
    EXPECT_FALSE(notice()->isWarning);
    EXPECT_EQ(brand.kit().primary, 0xFF0000u);
    const QList<Backdrop> customAfterImport = *brand.kit().customBackdrops;

    view.undoNotice();
    EXPECT_EQ(brand.kit().primary, before.primary);
    EXPECT_EQ(brand.kit().fontFamily, before.fontFamily);
    EXPECT_EQ(brand.kit().name, before.name);
    EXPECT_EQ(*brand.kit().customBackdrops, customAfterImport); // the backdrops do not follow the undo
    EXPECT_FALSE(notice());

    importAndWait(
        write(QStringLiteral("three.css"), "a: #111111; b: #222222; c: #333333; font-family: Nenhuma Fonte;"));
    EXPECT_TRUE(notice()->text.contains(L(LKey().value(3).text(" cores"))));
    EXPECT_TRUE(notice()->text.contains(L(LKey("fonte %@ (não instalada)", {QStringLiteral("Nenhuma Fonte")}))));
}

// The notice heads the column of cards; an import asked for from the header while the column is
// scrolled down brings it, with its undo, into view.
TEST_F(BrandViewTest, AnImportWhileScrolledDownBringsItsNoticeIntoView) {
    QPushButton *undo = nullptr;
    for (QPushButton *button : view.findChildren<QPushButton *>())
        if (button->text() == QStringLiteral("Desfazer cores")) undo = button;
    ASSERT_NE(undo, nullptr);
    QScrollArea *column = nullptr;
    for (QWidget *w = undo; w && !column; w = w->parentWidget()) column = qobject_cast<QScrollArea *>(w);
    ASSERT_NE(column, nullptr);
    QScrollBar *bar = column->verticalScrollBar();
    ASSERT_TRUE(testsupport::becomes([&] { return bar->maximum() > 0; }));
    bar->setValue(bar->maximum());

    importAndWait(write(QStringLiteral("tokens.json"), R"({"color":{"primary":{"$value":"#FF0000"}}})"));
    ASSERT_TRUE(notice());
    EXPECT_TRUE(notice()->text.startsWith(QStringLiteral("Importado de tokens.json")));
    const auto inView = [&](QWidget *w) {
        return w->isVisible() && w->height() > 0 &&
               column->viewport()->rect().contains(QRect(w->mapTo(column->viewport(), QPoint()), w->size()));
    };
    EXPECT_TRUE(testsupport::becomes([&] { return inView(undo); }));
    EXPECT_TRUE(inView(view.findChild<QWidget *>(QStringLiteral("notice"))));
}

TEST_F(BrandViewTest, AnEmptyDesignFileLeavesTheBrandAlone) {
    const BrandKit before = brand.kit();
    importAndWait(write(QStringLiteral("empty.md"), ""));
    ASSERT_TRUE(notice());
    EXPECT_EQ(notice()->text, L(LKey("Não encontrei cores nem fonte em %@.", {QStringLiteral("empty.md")})));
    EXPECT_TRUE(notice()->isWarning);
    EXPECT_FALSE(notice()->undo);
    EXPECT_EQ(brand.kit(), before);
    EXPECT_FALSE(brand.isConfigured());
}

// A design file of megabytes is read off the GUI thread: the page keeps handling events meanwhile, a
// later import takes over from an earlier one, and a page closed meanwhile is left alone.
TEST_F(BrandViewTest, ImportsAreReadOffTheGuiThreadAndTheLastOneWins) {
    QByteArray big = "# Big\nprimary: #6E5BD8\n";
    while (big.size() < (4 << 20)) big += "a #101010 b #202020 c #303030 d #404040 e #505050 f #606060\n";
    const QString bigFile = write(QStringLiteral("big.md"), big);
    const QString smallFile = write(QStringLiteral("small.css"), "--color-primary: #FF0000;\n");
    const BrandKit before = brand.kit();

    QSignalSpy done(&view, &BrandView::importFinished);
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
    ticker.start(0);
    view.importFrom(bigFile);
    EXPECT_FALSE(notice()); // nothing read on this thread
    EXPECT_EQ(brand.kit(), before);
    ASSERT_TRUE(testsupport::received(done));
    EXPECT_GT(ticks, 0);
    EXPECT_EQ(brand.kit().primary, 0x6E5BD8u);
    EXPECT_TRUE(notice()->text.contains(QStringLiteral("big.md")));

    // The later choice wins, whichever is read first.
    done.clear();
    view.importFrom(bigFile);
    view.importFrom(smallFile);
    ASSERT_TRUE(testsupport::received(done));
    testsupport::settle(); // both reads have landed
    EXPECT_EQ(done.size(), 1);
    EXPECT_EQ(brand.kit().primary, 0xFF0000u);
    EXPECT_TRUE(notice()->text.contains(QStringLiteral("small.css")));

    auto *closing = new BrandView(brand, styles);
    closing->importFrom(bigFile);
    delete closing;
    testsupport::settle();
    EXPECT_EQ(brand.kit().primary, 0xFF0000u);
}

TEST_F(BrandViewTest, TheImportPanelNamesItsFilesAndCancelledChangesNothing) {
    struct Cancel : platform::OpenPanel {
        QList<platform::OpenRequest> asked;
        std::optional<QString> run(const platform::OpenRequest &request) override {
            asked.append(request);
            return std::nullopt;
        }
    } cancel;
    platform::OpenPanel::setSharedForTesting(&cancel);
    view.importFile();
    view.chooseLogo();
    platform::OpenPanel::setSharedForTesting(nullptr);
    EXPECT_FALSE(notice());
    ASSERT_EQ(cancel.asked.size(), 2);
    EXPECT_EQ(cancel.asked[0].typeName, QStringLiteral("Tokens de design"));
    EXPECT_EQ(cancel.asked[1].typeName, QStringLiteral("Arquivos de logo"));
}

// The import button in the header is framed like the page's other buttons: its label 10 from either
// side of a frame as high as the kit's compact buttons.
TEST_F(BrandViewTest, TheImportButtonLeavesRoomAroundItsLabel) {
    QPushButton *import = nullptr;
    for (QPushButton *button : view.findChildren<QPushButton *>())
        if (button->text() == L("Importar DESIGN.md ou tokens…")) import = button;
    ASSERT_TRUE(import);
    ASSERT_TRUE(testsupport::becomes([&] { return import->isVisible(); }));
    const int text = QFontMetrics(import->font()).horizontalAdvance(import->text());
    // The symbol (13) and its gap (6) before the text, and 10 at either side.
    EXPECT_GE(import->width(), text + 13 + 6 + 2 * 10);
    EXPECT_GE(import->height(), 28);
}

TEST_F(BrandViewTest, BurstsRenderOnceAndLeavingDropsThePendingRender) {
    QSignalSpy rendered(preview(), &BrandPreviewPane::printPreviewChanged);
    ASSERT_TRUE(testsupport::received(rendered)); // the first render on showing
    rendered.clear();
    for (quint32 c : {0x110000u, 0x220000u, 0x330000u}) setKit([c](BrandKit &k) { k.primary = c; });
    ASSERT_TRUE(testsupport::received(rendered));
    passTimersOf(BrandPreviewPane::renderDelayMs);
    EXPECT_EQ(rendered.size(), 1);

    rendered.clear();
    setKit([](BrandKit &k) { k.primary = 0x440000; });
    view.hide();
    passTimersOf(BrandPreviewPane::renderDelayMs);
    EXPECT_EQ(rendered.size(), 0);
}

TEST_F(BrandViewTest, ThePrintPreviewFallsBackToTheFirstBrandBackdrop) {
    QSignalSpy rendered(preview(), &BrandPreviewPane::printPreviewChanged);
    setKit([](BrandKit &k) {
        k.customBackdrops = QList<Backdrop>{solid(QStringLiteral("a"), 0xFF0000), solid(QStringLiteral("b"), 0x0000FF)};
    });
    preview()->setBackdropID(QStringLiteral("unknown"));
    ASSERT_TRUE(another(rendered));
    EXPECT_EQ(shownPrint().pixelColor(2, 2), QColor(0xFF, 0, 0));

    setKit([](BrandKit &k) { k.customBackdrops = QList<Backdrop>{}; });
    ASSERT_TRUE(another(rendered));
    EXPECT_NE(shownPrint().pixelColor(2, 2), QColor(0xFF, 0, 0)); // the default style's own backdrop
}

TEST_F(BrandViewTest, TheAutomaticGuideLogoIsBlackFromALumaOfExactlyPointFiftyFive) {
    loadLogoAndWait(png(QStringLiteral("logo.png"), twoColours(QColor(0xE0, 0x30, 0x30), QColor(0x30, 0x30, 0xE0))));
    setKit([](BrandKit &k) { k.logoVariant = LogoVariant::auto_, k.background = 0x02D09A; });
    const QImage logo = preview()->guideLogo();
    ASSERT_FALSE(logo.isNull());
    const QColor c = logo.pixelColor(logo.width() / 2, logo.height() / 2);
    EXPECT_LT(c.lightness(), 40);
    setKit([](BrandKit &k) { k.background = 0x02D099; });
    EXPECT_GT(preview()->guideLogo().pixelColor(logo.width() / 2, logo.height() / 2).lightness(), 220);
}

TEST_F(BrandViewTest, TheBannerEasesInAndOutInsteadOfJumping) {
    auto *banner = view.findChild<QWidget *>(QStringLiteral("notice"));
    ASSERT_TRUE(banner);
    AnimationClock clock;
    constexpr int partWay = BrandView::noticeAnimationMs / 5; // eased out, it covers most of its height early
    view.setNotice(BrandView::Notice{QStringLiteral("Primeiro aviso"), false, std::nullopt});
    clock.pass(partWay);
    EXPECT_TRUE(banner->isVisible());
    EXPECT_GT(banner->height(), 0);
    EXPECT_LT(banner->height(), banner->sizeHint().height()); // still growing
    clock.pass(BrandView::noticeAnimationMs);
    ASSERT_EQ(banner->maximumHeight(), QWIDGETSIZE_MAX);
    const int full = banner->height();
    EXPECT_GT(full, 20);

    view.setNotice(BrandView::Notice{QStringLiteral("Outro aviso"), true, std::nullopt});
    clock.pass(partWay);
    EXPECT_EQ(banner->height(), full); // a replacement fades in where it stands
    clock.pass(BrandView::noticeAnimationMs);

    view.setNotice(std::nullopt);
    EXPECT_FALSE(notice());
    clock.pass(partWay);
    EXPECT_TRUE(banner->isVisible()); // closing eases out before it goes
    EXPECT_LT(banner->height(), full);
    clock.pass(BrandView::noticeAnimationMs);
    EXPECT_FALSE(banner->isVisible());
    view.setNotice(BrandView::Notice{QStringLiteral("De volta"), false, std::nullopt});
    clock.pass(BrandView::noticeAnimationMs);
    EXPECT_EQ(banner->height(), full);
}

TEST_F(BrandViewTest, DroppingFilesStoresTheFirstAndAGreyLogoKeepsTheColours) {
    const QString grey = png(QStringLiteral("grey.png"), twoColours(Qt::black, QColor(128, 128, 128)));
    const QString red = png(QStringLiteral("red.png"), twoColours(Qt::red, Qt::darkRed));
    auto *zone = view.findChild<LogoDropZone *>();
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(grey), QUrl::fromLocalFile(red), QUrl::fromLocalFile(red)});
    QSignalSpy done(&view, &BrandView::logoLoadFinished);
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(zone, &enter);
    EXPECT_TRUE(zone->isDropTargeted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    const BrandKit before = brand.kit();
    QCoreApplication::sendEvent(zone, &drop);
    EXPECT_FALSE(zone->isDropTargeted());
    EXPECT_TRUE(zone->isBusy());
    ASSERT_TRUE(testsupport::received(done));
    EXPECT_FALSE(zone->isBusy());
    EXPECT_TRUE(QFile::exists(brand.logoPath()));
    EXPECT_LT(brand.logo().pixelColor(10, 10).red(), 200); // the grey logo, not the red one
    EXPECT_EQ(notice()->text,
              L("Logo pronto. Ele não tem cor (só preto, branco ou cinza), então as cores da marca "
                "ficaram como estavam."));
    EXPECT_FALSE(notice()->undo);
    EXPECT_EQ(brand.kit().primary, before.primary);
}

TEST_F(BrandViewTest, ANewerLogoChoiceSupersedesAnOlderOne) {
    const QString first = png(QStringLiteral("first.png"), twoColours(Qt::red, Qt::darkRed));
    const QString second = png(QStringLiteral("second.png"), twoColours(Qt::blue, Qt::darkBlue));
    QSignalSpy done(&view, &BrandView::logoLoadFinished);
    view.loadLogo(first);
    view.loadLogo(second);
    ASSERT_TRUE(testsupport::received(done));
    testsupport::settle(); // the older choice's reading has landed too
    EXPECT_EQ(done.size(), 1);
    EXPECT_EQ(brand.logo().pixelColor(10, 10).blue(), 255);
}

TEST_F(BrandViewTest, AnUnwritableBrandFolderKeepsTheOldLogoAndKit) {
    loadLogoAndWait(png(QStringLiteral("logo.png"), twoColours(Qt::red, Qt::blue)));
    const BrandKit before = brand.kit();
    const qint64 logoKey = brand.logo().cacheKey();
    // A file where the folder was: no write can succeed there, not even as root.
    QDir(brand.folder()).removeRecursively();
    write(QStringLiteral("Marca"), "not a folder");
    loadLogoAndWait(png(QStringLiteral("other.png"), twoColours(Qt::green, Qt::yellow)));
    EXPECT_EQ(notice()->text, QStringLiteral("Não consegui guardar o logo no computador."));
    EXPECT_TRUE(notice()->isWarning);
    EXPECT_EQ(brand.kit(), before);
    EXPECT_EQ(brand.logo().cacheKey(), logoKey);
}

TEST_F(BrandViewTest, RemovingTheLogoDeletesItAndTurnsTheSwitchOff) {
    loadLogoAndWait(png(QStringLiteral("logo.png"), twoColours(Qt::red, Qt::blue)));
    logoSwitch()->click();
    EXPECT_TRUE(brand.kit().logoOnScreenshots);
    EXPECT_EQ(previewTab(), BrandPreviewPane::Tab::print);
    for (QPushButton *b : view.findChildren<QPushButton *>())
        if (b->text() == L("Remover")) b->click();
    EXPECT_FALSE(QFile::exists(brand.logoPath()));
    EXPECT_FALSE(brand.kit().logoOnScreenshots);
    EXPECT_EQ(previewCaption(), L("Adicione um logo para vê-lo no print."));
}

TEST_F(BrandViewTest, WithoutALogoTheStoredSwitchShowsOnButDisabled) {
    setKit([](BrandKit &k) { k.logoOnScreenshots = true; });
    EXPECT_TRUE(logoSwitch()->isChecked());
    EXPECT_FALSE(logoSwitch()->isEnabled());
    EXPECT_TRUE(view.findChild<PositionPicker *>() == nullptr || !view.findChild<PositionPicker *>()->isVisible());
}

// Each spot of the position picker takes clicks over its whole cell (an equal third of the row inside
// the frame's 4 pt inset, 26 tall), not only on its small bar, and a screen reader meets six choices,
// named by their place, exactly the chosen one checked.
TEST_F(BrandViewTest, LogoSpotsAnswerOverTheirWholeCellAndAreSixNamedChoices) {
    loadLogoAndWait(png(QStringLiteral("logo.png"), twoColours(Qt::red, Qt::blue)));
    logoSwitch()->click();
    auto *picker = view.findChild<PositionPicker *>();
    ASSERT_TRUE(picker && picker->isVisible());
    const auto click = [&](QPointF at) {
        QWidget *under = picker->childAt(at.toPoint());
        QWidget *target = under ? under : picker;
        QTest::mouseClick(target, Qt::LeftButton, {}, target->mapFrom(picker, at.toPoint()));
    };
    const qreal third = (picker->width() - 8) / 3.0;
    for (LogoPosition position : LogoPositions::all) {
        const int column = int(position) % 3;
        const qreal top = LogoPositions::isTop(position) ? 4 : picker->height() - 4 - 26;
        const QRectF cell(4 + column * third, top, third, 26);
        // Near each corner of the cell: far from the bar drawn in its middle.
        for (QPointF corner : {cell.topLeft() + QPointF(2, 1), cell.bottomRight() - QPointF(2, 2),
                               cell.topRight() + QPointF(-2, 1), cell.bottomLeft() + QPointF(2, -2)}) {
            const LogoPosition other =
                position == LogoPosition::topCenter ? LogoPosition::bottomLeft : LogoPosition::topCenter;
            setKit([other](BrandKit &k) { k.logoPosition = other; });
            click(corner);
            EXPECT_EQ(brand.kit().logoPosition, position) << int(position) << " at " << corner.x() << "," << corner.y();
        }
    }
    // The miniature screenshot between the rows is no spot.
    click(QPointF(picker->width() / 2.0, picker->height() / 2.0));
    EXPECT_EQ(brand.kit().logoPosition, LogoPosition::bottomRight);

    QAccessibleInterface *access = QAccessible::queryAccessibleInterface(picker);
    ASSERT_NE(access, nullptr);
    const auto choices = [&] {
        QStringList named;
        for (int i = 0; i < access->childCount(); ++i) {
            QAccessibleInterface *child = access->child(i);
            if (child->role() != QAccessible::RadioButton) continue;
            named << child->text(QAccessible::Name) + (child->state().checked ? QStringLiteral(" ✓") : QString());
        }
        return named;
    };
    EXPECT_EQ(choices(), (QStringList{QStringLiteral("Em cima, à esquerda"), QStringLiteral("Em cima, no centro"),
                                      QStringLiteral("Em cima, à direita"), QStringLiteral("Embaixo, à esquerda"),
                                      QStringLiteral("Embaixo, no centro"), QStringLiteral("Embaixo, à direita ✓")}));
    setKit([](BrandKit &k) { k.logoPosition = LogoPosition::topRight; });
    EXPECT_EQ(choices().filter(QStringLiteral("✓")), QStringList{QStringLiteral("Em cima, à direita ✓")});
}

// The version block is captioned as the logo's and says that it also colours the guides' logo, in
// either language.
TEST_F(BrandViewTest, TheLogoVersionBlockSaysItAlsoAppliesToTheGuides) {
    const auto shown = [](const BrandView &page) {
        QStringList texts;
        for (const QLabel *label : page.findChildren<QLabel *>()) texts << label->text();
        return texts;
    };
    EXPECT_TRUE(shown(view).contains(QStringLiteral("Versão do logo")));
    EXPECT_TRUE(shown(view).contains(QStringLiteral("Vale também para o logo no topo dos guias.")));
    platform::StringTables::setCurrentLanguage(QStringLiteral("en"));
    {
        BrandView english{brand, styles};
        EXPECT_TRUE(shown(english).contains(QStringLiteral("Logo version")));
        EXPECT_TRUE(shown(english).contains(QStringLiteral("Also applies to the logo at the top of guides.")));
    }
    platform::StringTables::setCurrentLanguage({});
}

TEST_F(BrandViewTest, PlacementBringsThePrintForwardAndFooterOrFontTheGuide) {
    setKit([](BrandKit &k) { k.logoSize = LogoSize::large; });
    EXPECT_EQ(previewTab(), BrandPreviewPane::Tab::print);
    setKit([](BrandKit &k) { k.footer = QStringLiteral("ACME"); });
    EXPECT_EQ(previewTab(), BrandPreviewPane::Tab::guide);
    setKit([](BrandKit &k) { k.logoPosition = LogoPosition::topLeft; });
    setKit([](BrandKit &k) { k.fontFamily = QStringLiteral("inter"); });
    EXPECT_EQ(previewTab(), BrandPreviewPane::Tab::guide);
    // A family spelled in another case is the installed one: chosen in the list, no warning.
    auto *picker = view.findChild<QComboBox *>();
    EXPECT_EQ(picker->currentText(), QStringLiteral("Inter"));
    EXPECT_EQ(picker->findText(L(LKey("%@ (não instalada)", {QStringLiteral("inter")}))), -1);
    const QString warning = QStringLiteral(
        "inter não está instalada neste computador: os guias usam a fonte do sistema até você instalá-la.");
    for (QLabel *label : view.findChildren<QLabel *>()) EXPECT_FALSE(label->isVisible() && label->text() == warning);
}

TEST_F(BrandViewTest, LeavingWithTheColourPanelOpenDetachesIt) {
    auto *swatch = view.findChild<ColorSwatchButton *>();
    swatch->click();
    ASSERT_TRUE(ColorPanelBridge::shared().panel()->isVisible());
    view.hide();
    ColorPanelBridge::shared().panel()->setCurrentColor(QColor(1, 2, 3));
    EXPECT_NE(brand.kit().primary, 0x010203u);
    EXPECT_FALSE(ColorPanelBridge::shared().panel()->isVisible());
}

TEST_F(BrandViewTest, AFullEditorListIsReportedAndTheSwitchFollowsTheList) {
    QList<Backdrop> list = styles.backdrops();
    for (int i = int(list.size()); i < 20; ++i) list << solid(QStringLiteral("x%1").arg(i), 0x101010);
    styles.setBackdrops(list.mid(0, 20));
    editorSwitch()->click();
    EXPECT_EQ(notice()->text, L(LKey("A lista de fundos está cheia (%@). Apague algum no Editor e tente de novo.",
                                          {QStringLiteral("20")})));
    EXPECT_FALSE(editorSwitch()->isChecked());

    styles.setBackdrops(list.mid(0, 19));
    editorSwitch()->click();
    EXPECT_EQ(notice()->text, QStringLiteral("Entrou 1 de 3 fundos: a lista de fundos ficou cheia."));
    EXPECT_TRUE(editorSwitch()->isChecked());
}

TEST_F(BrandViewTest, ATileSelectsThePreviewBackdropAndOpensTheSheet) {
    std::optional<BackdropSheet::Request> asked;
    BackdropSheet::setPresenter([&](QWidget *, const BackdropSheet::Request &r, BackdropSheet::Completion done) {
        asked = r;
        Backdrop edited = r.backdrop;
        edited.colors = {0x00FF00};
        done(edited);
    });
    auto tiles = view.findChildren<BackdropTile *>();
    BackdropTile *mesh = *std::find_if(tiles.begin(), tiles.end(), [](BackdropTile *t) {
        return t->backdrop().id == BrandStore::meshID && !t->isCheckable();
    });
    mesh->click();
    ASSERT_TRUE(asked);
    EXPECT_EQ(asked->brandPalette,
              (QList<quint32>{brand.kit().primary, brand.kit().secondary, brand.kit().background}));
    EXPECT_EQ(previewBackdrop(), BrandStore::meshID);
    EXPECT_TRUE(brand.kit().customBackdrops.has_value());
    // Saving shows the print; a cancelled sheet leaves the tab alone.
    EXPECT_EQ(previewTab(), BrandPreviewPane::Tab::print);
    preview()->setTab(BrandPreviewPane::Tab::guide);
    BackdropSheet::setPresenter(
        [](QWidget *, const BackdropSheet::Request &, BackdropSheet::Completion done) { done({}); });
    mesh->click();
    EXPECT_EQ(previewTab(), BrandPreviewPane::Tab::guide);
}

// Every control of the page acts through the kit, and the page syncs from it while the control still
// handles its event: each must survive its own click (run under the sanitizers too).
TEST_F(BrandViewTest, ControlsSurviveTheChangesTheyMake) {
    loadLogoAndWait(png(QStringLiteral("two.png"), twoColours(QColor(200, 30, 40), QColor(20, 60, 210))));
    QCoreApplication::processEvents(); // new swatches show on the next turn
    ColorSwatchButton *fromLogo = nullptr;
    for (ColorSwatchButton *swatch : view.findChildren<ColorSwatchButton *>())
        if (swatch->isVisible() && swatch->findChild<QMenu *>()) fromLogo = swatch;
    ASSERT_NE(fromLogo, nullptr);
    QPointer<ColorSwatchButton> kept(fromLogo);
    auto *menu = fromLogo->findChild<QMenu *>();
    menu->popup(fromLogo->mapToGlobal(QPoint(0, fromLogo->height())));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(menu, testsupport::patienceMs));
    QAction *first = menu->actions().first();
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(first).center());
    QCoreApplication::processEvents();
    EXPECT_EQ(brand.kit().primary, kept ? kept->color() : 0u);
    EXPECT_TRUE(kept);

    // The chips, the logo colours' button and the font list, each by a real click or key.
    for (OptionChip *chip : view.findChildren<OptionChip *>()) {
        if (!chip->isVisible()) continue;
        QPointer<OptionChip> alive(chip);
        QTest::mouseClick(chip, Qt::LeftButton);
        EXPECT_TRUE(alive);
    }
    for (QPushButton *button : view.findChildren<QPushButton *>())
        if (button->isVisible() && button->text() == L("Usar cores do logo")) QTest::mouseClick(button, Qt::LeftButton);
    if (auto *spots = view.findChild<PositionPicker *>(); spots && spots->isVisible())
        QTest::mouseClick(spots->spot(LogoPosition::topLeft), Qt::LeftButton);
    auto *hex = view.findChild<HexField *>();
    ASSERT_NE(hex, nullptr);
    hex->setFocus();
    hex->selectAll();
    QTest::keyClicks(hex, QStringLiteral("#123456"));
    EXPECT_EQ(brand.kit().primary, 0x123456u);
    auto *picker = view.findChild<QComboBox *>();
    picker->setFocus(Qt::TabFocusReason);
    QTest::keyClick(picker, Qt::Key_Down);
    QTest::keyClick(picker, Qt::Key_Up);
    EXPECT_FALSE(brand.kit().fontFamily);
    EXPECT_EQ(picker->currentText(), L("Fonte do sistema"));
}

TEST(BrandViewFontsTest, AFamilyListedOnlyWithItsFoundriesIsOneInstalledEntry) {
    const testsupport::FixedFonts fonts{{QStringLiteral("Inter"), QStringLiteral("Nimbus Sans [UKWN]"),
                                         QStringLiteral("Nimbus Sans [URW ]"), QStringLiteral("Nimbus Sans [urw]")}};
    testsupport::TempFolder dir;
    UserDefaults defaults{dir.file(QStringLiteral("defaults.json"))};
    StyleStore styles{defaults};
    BrandStore brand{defaults, styles, dir.file(QStringLiteral("Marca"))};
    BrandView view{brand, styles};
    view.show();
    BrandKit kit = brand.kit();
    kit.fontFamily = QStringLiteral("Nimbus Sans");
    brand.setKit(kit);
    auto *picker = view.findChild<QComboBox *>();
    QStringList items;
    for (int i = 0; i < picker->count(); ++i) items.append(picker->itemText(i));
    EXPECT_EQ(items,
              (QStringList{L("Fonte do sistema"), QString(), QStringLiteral("Inter"), QStringLiteral("Nimbus Sans")}));
    EXPECT_EQ(picker->currentText(), QStringLiteral("Nimbus Sans"));
    for (QLabel *label : view.findChildren<QLabel *>()) // no "not installed" warning
        EXPECT_FALSE(label->isVisible() && label->text().contains(QStringLiteral("Nimbus Sans")));
}
