#include "editor_window/EditorView.h"

#include "brand/BrandStore.h"
#include "core/Localization.h"
#include "core/StyleStore.h"
#include "editor/AnnotationCanvas.h"
#include "editor/EditorModel.h"
#include "editor_window/BackdropDraftSheet.h"
#include "editor_window/CommandBarView.h"
#include "editor_window/EditorBars.h"
#include "editor_window/EditorToolbar.h"
#include "editor_window/InspectorView.h"
#include "editor_window/PreviewStage.h"
#include "editor_window/ShortcutsSheet.h"
#include "platform/ImageChecks.h"
#include "widgets/Divider.h"
#include "widgets/Theme.h"
#include "widgets/ThemedLabel.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHash>
#include <QLineEdit>
#include <QPainter>
#include <QProxyStyle>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyleFactory>
#include <QStyleOptionSlider>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

// The side panel's scroll bar as the application's style draws it, kept as a picture until its look
// changes (size, position, state, colours). Fusion fills the groove with a gradient and outlines it in
// translucent lines the panel's whole height, which Qt's raster engine slices across its thread pool
// on every show; the pictures outlive the pixmap cache a closed window empties.
class KeptScrollBarStyle final : public QProxyStyle {
public:
    explicit KeptScrollBarStyle(QObject *owner) : QProxyStyle(QStyleFactory::create(QApplication::style()->name())) {
        setParent(owner);
    }
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex *option, QPainter *painter,
                            const QWidget *widget) const override {
        const auto *bar = qstyleoption_cast<const QStyleOptionSlider *>(option);
        if (control != CC_ScrollBar || !bar) return QProxyStyle::drawComplexControl(control, option, painter, widget);
        const qreal ratio = painter->device()->devicePixelRatioF();
        QString look = QStringLiteral("%1x%2 %3 %4 %5 %6 %7 %8 %9 %10 %11 %12 %13")
                           .arg(bar->rect.width())
                           .arg(bar->rect.height())
                           .arg(int(bar->orientation))
                           .arg(int(bar->state))
                           .arg(int(bar->activeSubControls))
                           .arg(int(bar->subControls))
                           .arg(bar->minimum)
                           .arg(bar->maximum)
                           .arg(bar->sliderPosition)
                           .arg(bar->pageStep)
                           .arg(int(bar->direction))
                           .arg(bar->upsideDown)
                           .arg(ratio);
        // Each page's palette is a copy of its own: the colours, not the copy, make the look.
        for (int role = 0; role < QPalette::NColorRoles; ++role)
            look += QLatin1Char(' ') + QString::number(bar->palette.color(QPalette::ColorRole(role)).rgba(), 16);
        // A page is made anew for each capture; the window's being active or not makes two looks.
        static QHash<QString, QImage> kept;
        auto found = kept.constFind(look);
        if (found == kept.constEnd()) {
            QImage picture(bar->rect.size() * ratio, QImage::Format_ARGB32_Premultiplied);
            picture.setDevicePixelRatio(ratio);
            picture.fill(Qt::transparent);
            QStyleOptionSlider placed = *bar;
            placed.rect.moveTopLeft(QPoint());
            QPainter p(&picture);
            QProxyStyle::drawComplexControl(control, &placed, &p, widget);
            p.end();
            // Drawn without a hole (the style fills the whole groove), it is copied onto the window as it
            // stands; with an alpha channel Qt blends it in slices across its painting threads.
            if (!platform::hasTransparentPixels(picture)) picture.reinterpretAsFormat(QImage::Format_RGB32);
            if (kept.size() >= 4) kept.clear();
            found = kept.insert(look, std::move(picture));
        }
        painter->drawImage(bar->rect.topLeft(), *found);
    }
};

} // namespace

EditorView::EditorView(EditorModel *model, StyleStore &styles, BrandStore &brand, QWidget *parent, Build build)
    : QWidget(parent), m_model(model), m_styles(styles), m_brand(brand) {
    setObjectName(QStringLiteral("editorView"));
    setAccessibleName(L("Editor"));
    // Focus rests here when an overlay's field lets it go, so the editor's keys reach the key table.
    setFocusPolicy(Qt::ClickFocus);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    if (build == Build::atOnce) finishBuilding();
}

void EditorView::finishBuilding() {
    while (buildStep()) {}
}

bool EditorView::buildStep() {
    auto *column = static_cast<QVBoxLayout *>(layout());
    switch (m_built) {
    case Piece::topBar:
        m_topBar = new EditorTopBar(m_model, m_styles, this);
        column->addWidget(m_topBar);
        column->addWidget(new Divider(Qt::Horizontal, this));
        m_built = Piece::workArea;
        return true;
    case Piece::workArea:
        column->addWidget(workArea(), 1);
        m_built = Piece::bottomBar;
        return true;
    case Piece::bottomBar:
        column->addWidget(new Divider(Qt::Horizontal, this));
        m_bottomBar = new EditorBottomBar(m_model, this);
        column->addWidget(m_bottomBar);
        m_built = Piece::panel;
        return true;
    case Piece::panel:
        setPanel(new InspectorView(m_model, m_styles, m_brand));
        m_built = Piece::rest;
        return true;
    case Piece::rest: break;
    case Piece::done: return false;
    }
    m_backdropSheet = new BackdropDraftSheet(m_model, this);
    m_backdropSheet->setObjectName(QStringLiteral("backdropDraftSheet"));
    connect(&m_model->document(), &EditorDocument::toolChanged, this, &EditorView::showCanvasOrStage);
    connect(&m_model->page(), &EditorPageState::isCommandBarOpenChanged, this, &EditorView::followCommandBar);
    connect(&m_model->page(), &EditorPageState::isShortcutsOpenChanged, this, &EditorView::followShortcuts);
    connect(&m_brand, &BrandStore::kitChanged, this, [this] {
        if (m_model) m_model->render().refresh();
    });
    connect(&m_brand, &BrandStore::logoChanged, this, [this] {
        if (m_model) m_model->render().refresh();
    });
    connect(&m_styles, &StyleStore::exportSettingsChanged, this, [this] {
        if (m_model) m_model->render().updateEstimate();
    });
    showCanvasOrStage();
    followCommandBar();
    followShortcuts();
    m_built = Piece::done;
    return false;
}

QWidget *EditorView::workArea() {
    auto *area = new QWidget(this);
    auto *row = new QHBoxLayout(area);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    auto *left = new QVBoxLayout;
    left->setSpacing(0);
    m_toolbar = new EditorToolbar(&m_model->document(), &m_model->page(), area);
    connect(m_toolbar, &EditorToolbar::sensitiveSearchRequested, m_model, &EditorModel::hideSensitiveData);
    left->addWidget(m_toolbar);
    left->addWidget(new Divider(Qt::Horizontal, area));
    m_canvasStack = new QStackedWidget(area);
    m_canvasStack->setObjectName(QStringLiteral("canvasStack"));
    m_stage = new PreviewStage(m_model, m_canvasStack);
    m_canvas = new AnnotationCanvas(&m_model->document(), &m_model->render(), m_canvasStack);
    m_canvas->setObjectName(QStringLiteral("annotationCanvas"));
    m_canvasStack->addWidget(m_stage);
    m_canvasStack->addWidget(m_canvas);
    left->addWidget(m_canvasStack, 1);
    row->addLayout(left, 1);
    row->addWidget(new Divider(Qt::Vertical, area));

    m_panelSlot = new QScrollArea(area);
    m_panelSlot->setObjectName(QStringLiteral("panelSlot"));
    m_panelSlot->setFixedWidth(panelWidth);
    m_panelSlot->setFrameShape(QFrame::NoFrame);
    m_panelSlot->setWidgetResizable(true);
    m_panelSlot->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_panelSlot->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_panelSlot->verticalScrollBar()->setStyle(new KeptScrollBarStyle(m_panelSlot));
    QPalette palette = m_panelSlot->palette();
    palette.setColor(QPalette::Window, Theme::panel());
    m_panelSlot->setPalette(palette);
    m_panelSlot->viewport()->setPalette(palette);
    m_panelSlot->viewport()->setAutoFillBackground(true);
    row->addWidget(m_panelSlot);
    return area;
}

void EditorView::setPanel(QWidget *panel) {
    delete m_panelSlot->takeWidget();
    m_panelSlot->setWidget(panel);
}

QLabel *EditorView::tip(const QString &text, QWidget *parent) {
    return wrappingLabel(text, Theme::font(11), Theme::text3(), parent);
}

void EditorView::showCanvasOrStage() {
    const bool preview = !m_model || m_model->document().tool() == EditorTool::preview;
    m_canvasStack->setCurrentWidget(preview ? static_cast<QWidget *>(m_stage) : m_canvas);
}

// The overlays are made when first opened: most captures are copied without either.
void EditorView::followCommandBar() {
    const bool open = m_model && m_model->page().isCommandBarOpen();
    if (!m_commandBar && !open) return;
    if (!m_commandBar) m_commandBar = new CommandBarView(m_model, this);
    m_commandBar->setShown(open);
    // The shortcuts sheet lies above the command bar.
    if (m_shortcuts && m_shortcuts->isShown()) m_shortcuts->raise();
    // The field lets the focus go back to the page, where the editor's keys work again.
    if (!open && m_commandBar->isAncestorOf(QApplication::focusWidget())) setFocus(Qt::OtherFocusReason);
}

void EditorView::followShortcuts() {
    const bool open = m_model && m_model->page().isShortcutsOpen();
    if (!m_shortcuts && !open) return;
    if (!m_shortcuts)
        m_shortcuts = new ShortcutsSheet(
            [model = m_model] {
                if (model) model->page().setShortcutsOpen(false);
            },
            this);
    m_shortcuts->setShown(open);
}

void EditorView::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    if (m_model) m_model->render().refresh();
    // Back on the page with the bar still open: typing goes to its field again.
    if (m_commandBar && m_commandBar->isShown()) m_commandBar->searchField()->setFocus(Qt::OtherFocusReason);
}

void EditorView::hideEvent(QHideEvent *event) {
    QWidget::hideEvent(event);
    releaseOriginal();
}

bool EditorView::event(QEvent *event) {
    if (event->type() == QEvent::WindowDeactivate) releaseOriginal();
    return QWidget::event(event);
}

void EditorView::releaseOriginal() {
    // Space released in another window (or while the page was away) never reaches the key table: the
    // capture would stay up with its badge until Space was pressed and released here again.
    if (m_model && m_model->page().showOriginal()) m_model->page().setShowOriginal(false);
}

void EditorView::paintEvent(QPaintEvent *) { QPainter(this).fillRect(rect(), Theme::bg()); }
