#include "capture/QuickPanelController.h"
#include "capture/QuickModel.h"
#include "core/Settings.h"
#include "core/StyleStore.h"
#include "platform/Alert.h"
#include "platform/SavePanel.h"
#include "platform/UserDefaults.h"
#include "support/RecordingNotifier.h"
#include "support/TestSupport.h"
#include "support/Waiting.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QRegularExpression>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>

#include <functional>

#include <gtest/gtest.h>

namespace {

QImage capture(QSize size = QSize(800, 500), QColor color = QColor(40, 120, 200)) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(color);
    return image;
}

// The strip's backdrop tiles in their order, the plain print first.
QList<QAbstractButton *> swatches(QWidget *view) {
    return view->findChildren<QAbstractButton *>(QRegularExpression(QStringLiteral("^(noBackdrop|backdrop:)")));
}

struct FixedSavePanel : platform::SavePanel {
    std::optional<QString> answer;
    QList<platform::SaveRequest> requests;
    std::optional<QString> run(const platform::SaveRequest &request) override {
        requests << request;
        return answer;
    }
};

struct RecordingAlerts : platform::AlertPresenter {
    QList<platform::Alert> shown;
    int run(const platform::Alert &alert) override {
        shown << alert;
        return 0;
    }
};

struct QuickPanelControllerTest : testing::Test {
    QuickPanelController &controller = QuickPanelController::shared();
    platform::UserDefaults &defaults = platform::UserDefaults::standard();

    void SetUp() override {
        defaults.remove(Settings::quickLifetime.key());
        StyleStore::shared().setExportSettings(ExportSettings{});
        StyleStore::shared().setBackdrops(Backdrop::defaults());
    }
    void TearDown() override {
        controller.close(false);
        QCoreApplication::processEvents();
        defaults.remove(Settings::quickLifetime.key());
    }
    static void settle() { testsupport::settle(); }
};

} // namespace

TEST_F(QuickPanelControllerTest, ShowsBottomRightReplacesAtOnceAndCountsDown) {
    QSignalSpy shown(&controller, &QuickPanelController::shown);
    controller.show(capture(), nullptr);
    QPointer<QuickCaptureView> first = controller.panel();
    ASSERT_TRUE(first);
    EXPECT_EQ(shown.count(), 1);
    const QRect card = first->card().translated(first->pos());
    EXPECT_EQ(card.size(), QSize(340, 300));
    // At the bottom right, 20 in from the edges or as far in as keeps the whole window, shadow margin
    // included, on the screen: a margin past its edge would be off the screen, or over a tray icon.
    const QRect visible = QGuiApplication::primaryScreen()->availableGeometry();
    ASSERT_GT(first->shadowMargin(), 20);
    EXPECT_TRUE(visible.contains(first->geometry())) << first->geometry().right() << " > " << visible.right();
    EXPECT_EQ(card.right(), visible.right() - first->shadowMargin());
    EXPECT_EQ(card.bottom(), visible.bottom() - first->shadowMargin());
    // Its shadow lies in the window's transparent margin, below the panel.
    QImage drawn(first->size(), QImage::Format_ARGB32_Premultiplied);
    drawn.fill(Qt::transparent);
    first->render(&drawn, {}, {}, QWidget::DrawWindowBackground);
    EXPECT_GT(qAlpha(drawn.pixel(first->card().center().x(), first->card().bottom() + 10)), 20);
    EXPECT_EQ(qAlpha(drawn.pixel(1, 1)), 0);
    EXPECT_TRUE(controller.isCountingDown());
    EXPECT_TRUE(testsupport::becomes([&] { return first->windowOpacity() == 1.0; }));

    // A second capture: the first vanishes at once, the new one fades in.
    controller.show(capture(QSize(300, 900)), nullptr);
    EXPECT_TRUE(!first || !first->isVisible());
    ASSERT_NE(controller.panel(), first.data());
    // A tall capture is at most 176 high, centred, aspect kept.
    const int margin = controller.panel()->shadowMargin();
    const QRectF picture = controller.panel()->pictureRect();
    EXPECT_NEAR(picture.height(), 176, 0.5);
    EXPECT_NEAR(picture.width(), 176.0 * 300 / 900, 0.5);
    EXPECT_NEAR(picture.center().x(), margin + 170, 0.5);
    // A wide one fills the width, centred in a row that stays 176 high, with the close button at the
    // row's corner, not the picture's.
    controller.show(capture(QSize(1000, 100)), nullptr);
    QuickCaptureView *wide = controller.panel();
    const QRect row = testsupport::namedChild<QWidget>(*wide, "thumbnail")->geometry();
    EXPECT_EQ(row.height(), 176);
    EXPECT_NEAR(wide->pictureRect().center().y(), row.center().y() + 0.5, 1);
    EXPECT_NEAR(wide->pictureRect().width(), 320, 0.5);
    EXPECT_EQ(testsupport::namedChild<QAbstractButton>(*wide, "closeButton")->geometry().topRight(),
              row.topRight() + QPoint(-6, 6));

    // Forever: no countdown.
    defaults.setInt(Settings::quickLifetime.key(), 0);
    controller.show(capture(), nullptr);
    EXPECT_FALSE(controller.isCountingDown());

    // Hovering holds the panel; leaving starts the whole lifetime again.
    defaults.setInt(Settings::quickLifetime.key(), 10);
    controller.show(capture(), nullptr);
    EXPECT_TRUE(controller.isCountingDown());
    controller.setHovering(true);
    EXPECT_FALSE(controller.isCountingDown());
    EXPECT_TRUE(controller.model()->isHovering());
    controller.setHovering(false);
    EXPECT_TRUE(controller.isCountingDown());

    // The fade-out removes the panel after 0.22 s; the controller lets go at once.
    QPointer<QuickCaptureView> closing = controller.panel();
    controller.close(true);
    EXPECT_EQ(controller.panel(), nullptr);
    EXPECT_EQ(controller.model(), nullptr);
    EXPECT_TRUE(closing && closing->isVisible());
    EXPECT_TRUE(testsupport::becomes([&] { return !closing || !closing->isVisible(); }));
}

// A panel that has gone, by its countdown or replaced by the next capture, holds nothing of its
// capture: neither the pixels, its beautified output nor the thumbnail keep them.
TEST_F(QuickPanelControllerTest, AClosedPanelHoldsNothingOfItsCapture) {
    const auto shownAndClosed = [&](const std::function<void()> &close) {
        QImage *kept = new QImage(capture());
        bool freed = false;
        {
            const QImage image(
                kept->bits(), kept->width(), kept->height(), kept->bytesPerLine(), kept->format(),
                [](void *info) { *static_cast<bool *>(info) = true; }, &freed);
            controller.show(image, nullptr);
        }
        controller.model()->setBackdrop(StyleStore::shared().backdrops().at(1));
        controller.panel()->repaint();
        close();
        if (!testsupport::becomes([&] { return freed; })) return false; // still drawn from: never freed
        delete kept;
        return true;
    };
    EXPECT_TRUE(shownAndClosed([&] { controller.close(true); }));
    EXPECT_TRUE(shownAndClosed([&] { controller.show(capture(QSize(40, 30)), nullptr); }));
}

// The next capture comes up in the window of the last one: it shows the new capture from its first
// frame on, never a glimpse of the old one, and its buttons act on the new one.
TEST_F(QuickPanelControllerTest, TheNextCaptureReusesTheWindowAndShowsItsOwnCapture) {
    const auto shownColor = [&] {
        QuickCaptureView *view = controller.panel();
        QImage drawn(view->size(), QImage::Format_ARGB32_Premultiplied);
        drawn.fill(Qt::transparent);
        view->render(&drawn);
        return drawn.pixelColor(view->pictureRect().center().toPoint());
    };
    const QColor red(220, 30, 30), green(30, 200, 60);
    controller.show(capture(QSize(800, 500), red), nullptr);
    QPointer<QuickCaptureView> first = controller.panel();
    ASSERT_TRUE(testsupport::becomes([&] { return shownColor() == red; }));
    controller.close(false);
    EXPECT_FALSE(first->isVisible());

    controller.show(capture(QSize(600, 600), green), nullptr);
    EXPECT_EQ(controller.panel(), first.data());
    EXPECT_TRUE(first->isVisible());
    EXPECT_NE(shownColor(), red);
    EXPECT_TRUE(testsupport::becomes([&] { return shownColor() == green; }));
    EXPECT_NEAR(first->pictureRect().width(), 176, 0.5);

    QTest::mouseClick(testsupport::namedChild<QAbstractButton>(*first, "copy"), Qt::LeftButton);
    settle();
    const QMimeData *clip = QGuiApplication::clipboard()->mimeData();
    ASSERT_TRUE(clip);
    EXPECT_EQ(QImage::fromData(clip->data(QStringLiteral("image/png"))).pixelColor(5, 5), green);
}

// A capture taken while a panel shows: the grab takes that panel off the screen (as the X11 grab does
// to a window that stays hidden after it) and the new capture comes up in its window; a capture that
// brings no panel gives the old one back as it was.
TEST_F(QuickPanelControllerTest, APanelHeldOffTheScreenForACaptureIsReusedOrComesBack) {
    controller.show(capture(QSize(800, 500), QColor(220, 30, 30)), nullptr);
    QPointer<QuickCaptureView> panel = controller.panel();
    QPointer<QuickModel> model = controller.model();
    controller.setHovering(true);
    controller.holdForCapture();
    panel->windowHandle()->hide(); // the grab
    controller.releaseHold();      // the capture failed
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(controller.panel(), panel.data());
    EXPECT_EQ(controller.model(), model.data());
    EXPECT_FALSE(controller.isCountingDown()); // the pointer is still over it
    controller.setHovering(false);
    EXPECT_TRUE(controller.isCountingDown());

    controller.holdForCapture();
    panel->windowHandle()->hide();
    controller.show(capture(QSize(400, 400), QColor(30, 200, 60)), nullptr);
    controller.releaseHold();
    EXPECT_EQ(controller.panel(), panel.data());
    EXPECT_TRUE(panel->isVisible());
    EXPECT_FALSE(model);
    EXPECT_EQ(controller.model()->original().pixelColor(0, 0), QColor(30, 200, 60));
    EXPECT_TRUE(controller.isCountingDown());
}

TEST_F(QuickPanelControllerTest, SwatchesMenuAndBackgroundRender) {
    controller.show(capture(), nullptr);
    QuickCaptureView *view = controller.panel();
    QuickModel *model = controller.model();
    const auto isChecked = [&](int index) { return swatches(view).at(index)->isChecked(); };
    // No backdrop: the first swatch is selected; seven coloured ones follow, the transparent one never.
    ASSERT_EQ(swatches(view).size(), 8);
    EXPECT_EQ(swatches(view).at(0)->objectName(), QStringLiteral("noBackdrop"));
    EXPECT_TRUE(swatches(view).at(0)->isChecked());
    for (int i = 1; i < 8; ++i) EXPECT_NE(swatches(view).at(i)->objectName(), QStringLiteral("backdrop:none"));
    std::unique_ptr<QMenu> menu(view->createBackdropMenu(nullptr));
    QStringList titles;
    for (QAction *action : menu->actions()) titles << (action->isSeparator() ? QStringLiteral("—") : action->text());
    EXPECT_EQ(titles.first(), QStringLiteral("Sem fundo (só o print)"));
    EXPECT_EQ(titles.mid(titles.size() - 6), (QStringList{"—", "Copiar", "Salvar…", "Abrir no Editor", "—", "Fechar"}));
    EXPECT_EQ(titles.size(), 2 + 8 + 6); // all eight coloured built-ins

    // A click shows the choice at once; the beautified thumbnail arrives from the background.
    // The chosen swatch shows the bright ring, on its left edge; the one before it no longer does.
    const auto ringShown = [&](int index) {
        QWidget *swatch = swatches(view).at(index);
        QImage tile(swatch->size(), QImage::Format_ARGB32_Premultiplied);
        tile.fill(Qt::black);
        swatch->render(&tile, {}, {}, QWidget::RenderFlags());
        const QColor edge = tile.pixelColor(1, tile.height() / 2);
        return qAbs(edge.red() - 237) < 12 && qAbs(edge.green() - 231) < 12 && qAbs(edge.blue() - 250) < 12;
    };
    EXPECT_TRUE(ringShown(0));
    EXPECT_FALSE(ringShown(2));
    QTest::mouseClick(swatches(view).at(2), Qt::LeftButton);
    EXPECT_TRUE(isChecked(2));
    EXPECT_FALSE(isChecked(0));
    EXPECT_TRUE(ringShown(2));
    EXPECT_FALSE(ringShown(0));
    QTest::mouseClick(swatches(view).at(2), Qt::LeftButton); // a second click keeps the choice
    EXPECT_TRUE(isChecked(2));
    EXPECT_EQ(model->output().size(), QSize(800, 500)); // still the capture
    EXPECT_TRUE(testsupport::becomes([&] { return model->output().size() != QSize(800, 500); }));
    EXPECT_EQ(model->output().size(), QSize(800 + 4 * 64, 500 + 4 * 64));
    view->grab().save(testsupport::outputPath(QStringLiteral("quick-panel.png")));

    // A newer choice drops the older render: back to no backdrop while another renders.
    QTest::mouseClick(swatches(view).at(3), Qt::LeftButton);
    model->setBackdrop(std::nullopt);
    EXPECT_EQ(model->output().size(), QSize(800, 500));
    testsupport::settle(); // the dropped render ends and hands its result in
    EXPECT_EQ(model->output().size(), QSize(800, 500));
    EXPECT_TRUE(isChecked(0));

    // More than seven coloured backdrops: seven in the strip, all in the menu; only the transparent one
    // leaves an empty strip.
    QList<Backdrop> many = Backdrop::defaults();
    Backdrop extra = Backdrop::defaults().first();
    extra.id = QStringLiteral("EXTRA");
    many.prepend(extra);
    StyleStore::shared().setBackdrops(many);
    EXPECT_EQ(swatches(view).size(), 8);
    EXPECT_EQ(swatches(view).at(1)->objectName(), QStringLiteral("backdrop:EXTRA"));
    StyleStore::shared().setBackdrops({Backdrop::transparent()});
    EXPECT_EQ(swatches(view).size(), 1);
}

TEST_F(QuickPanelControllerTest, CopySaveEditAndDrag) {
    testsupport::RecordingNotifier notices;
    // Copy: PNG and TIFF on the clipboard, transparent pixels kept even with JPEG as the export format.
    ExportSettings jpeg;
    jpeg.format = ExportFormat::jpeg;
    StyleStore::shared().setExportSettings(jpeg);
    QImage transparent(64, 40, QImage::Format_ARGB32_Premultiplied);
    transparent.fill(Qt::transparent);
    controller.show(transparent, nullptr);
    QPointer<QuickCaptureView> panel = controller.panel();
    QTest::mouseClick(testsupport::namedChild<QAbstractButton>(*panel, "copy"), Qt::LeftButton);
    settle();
    const QMimeData *clip = QGuiApplication::clipboard()->mimeData();
    ASSERT_TRUE(clip);
    EXPECT_TRUE(clip->hasFormat(QStringLiteral("image/png")));
    EXPECT_TRUE(clip->hasFormat(QStringLiteral("image/tiff")));
    EXPECT_EQ(QImage::fromData(clip->data(QStringLiteral("image/png"))).pixelColor(5, 5).alpha(), 0);
    EXPECT_EQ(controller.panel(), nullptr);
    ASSERT_FALSE(notices.told.isEmpty());
    EXPECT_EQ(notices.told.last().title, QStringLiteral("Copiado"));

    // Save: the proposed name carries the format's extension; the file is written; a failed write alerts.
    FixedSavePanel savePanel;
    RecordingAlerts alerts;
    platform::SavePanel::setSharedForTesting(&savePanel);
    platform::AlertPresenter::setSharedForTesting(&alerts);
    testsupport::TempFolder folder;
    savePanel.answer = folder.file(QStringLiteral("saída.jpg"));
    controller.show(capture(), nullptr);
    QTest::mouseClick(testsupport::namedChild<QAbstractButton>(*controller.panel(), "save"), Qt::LeftButton);
    settle();
    ASSERT_EQ(savePanel.requests.size(), 1);
    EXPECT_TRUE(savePanel.requests[0].proposedName.startsWith(QStringLiteral("Pelicarta ")));
    EXPECT_TRUE(savePanel.requests[0].proposedName.endsWith(QStringLiteral(".jpg")));
    EXPECT_EQ(QImage(*savePanel.answer).size(), QSize(800, 500));
    EXPECT_EQ(controller.panel(), nullptr);
    EXPECT_TRUE(notices.told.last().title.startsWith(QStringLiteral("Salvo · ")));
    EXPECT_EQ(notices.told.last().subtitle, QStringLiteral("saída.jpg"));

    folder.write(QStringLiteral("blocker"), "a file, not a folder");
    savePanel.answer = folder.file(QStringLiteral("blocker/x.jpg"));
    controller.show(capture(), nullptr);
    controller.save();
    ASSERT_EQ(alerts.shown.size(), 1);
    EXPECT_EQ(alerts.shown[0].messageText, QStringLiteral("Não foi possível salvar"));

    savePanel.answer.reset(); // cancelled: nothing written, no alert
    controller.show(capture(), nullptr);
    controller.save();
    EXPECT_EQ(alerts.shown.size(), 1);
    platform::SavePanel::setSharedForTesting(nullptr);
    platform::AlertPresenter::setSharedForTesting(nullptr);

    // Drag: each drag writes into a private folder of its own under the capture's file name.
    StyleStore::shared().setExportSettings(ExportSettings{});
    std::unique_ptr<QMimeData> a(QuickPanelController::dragData(capture()));
    std::unique_ptr<QMimeData> b(QuickPanelController::dragData(capture()));
    ASSERT_EQ(a->urls().size(), 1);
    ASSERT_EQ(b->urls().size(), 1);
    const QFileInfo fa(a->urls()[0].toLocalFile()), fb(b->urls()[0].toLocalFile());
    EXPECT_NE(fa.absolutePath(), fb.absolutePath());
    EXPECT_TRUE(fa.fileName().startsWith(QStringLiteral("Pelicarta ")) &&
                fa.fileName().endsWith(QStringLiteral(".png")));
    EXPECT_EQ(QImage(fa.filePath()).size(), QSize(800, 500));
    EXPECT_EQ(QFileInfo(fa.absolutePath()).permissions() & (QFile::ReadOther | QFile::ReadGroup), 0);

    // Edit with a backdrop: the editor opens on the captured image (not the output) with that backdrop.
    controller.show(capture(), CaptureFile::known(QStringLiteral("/tmp/x.heic")));
    const Backdrop chosen = Backdrop::defaults().at(3);
    controller.model()->setBackdrop(chosen);
    QObject receiver;
    int asked = 0;
    QObject::connect(&controller, &QuickPanelController::editorRequested, &receiver,
                     [&](const QImage &image, const CaptureFile::Ptr &file, const std::optional<BeautyStyle> &style) {
                         ++asked;
                         EXPECT_EQ(controller.panel(), nullptr); // closed first
                         EXPECT_EQ(image.size(), QSize(800, 500));
                         ASSERT_TRUE(file);
                         EXPECT_EQ(file->path(), QStringLiteral("/tmp/x.heic"));
                         ASSERT_TRUE(style);
                         EXPECT_EQ(style->backdrop.id, chosen.id);
                     });
    controller.edit();
    EXPECT_EQ(asked, 1);
}
