#include "editor_window/BackdropEditorView.h"

#include "core/ColorValue.h"
#include "core/Localization.h"
#include "editor/BackdropEditorState.h"
#include "editor_window/BackdropEditorSections.h"
#include "editor_window/BackdropStage.h"
#include "editor_window/ColorPanelBridge.h"
#include "widgets/Buttons.h"
#include "widgets/Icons.h"
#include "widgets/SectionLabel.h"
#include "widgets/ThemedLabel.h"
#include "widgets/Theme.h"
#include "widgets/ToolbarButton.h"

#include <QColorDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {

constexpr QSize kSheetSize{860, 560};

QWidget *divider(Qt::Orientation orientation, QWidget *parent) {
    auto *line = new QWidget(parent);
    if (orientation == Qt::Horizontal) line->setFixedHeight(1);
    else line->setFixedWidth(1);
    line->setAutoFillBackground(true);
    QPalette palette = line->palette();
    palette.setColor(QPalette::Window, Theme::line());
    line->setPalette(palette);
    return line;
}

// The sheet is dark whatever the system's scheme.
QPalette darkPalette(QPalette palette) {
    palette.setColor(QPalette::Window, Theme::panel());
    palette.setColor(QPalette::WindowText, Theme::text());
    palette.setColor(QPalette::Base, Theme::raised());
    palette.setColor(QPalette::Text, Theme::text());
    palette.setColor(QPalette::Button, Theme::raised());
    palette.setColor(QPalette::ButtonText, Theme::text());
    palette.setColor(QPalette::PlaceholderText, Theme::text3());
    palette.setColor(QPalette::Highlight, Theme::accentLine());
    palette.setColor(QPalette::ToolTipBase, Theme::raised());
    palette.setColor(QPalette::ToolTipText, Theme::text());
    return palette;
}

// Closing the dialog by the window manager is the sheet's cancel; the host closes it with done().
class BackdropEditorDialog : public QDialog {
public:
    BackdropEditorDialog(BackdropEditorView *view, QWidget *parent) : QDialog(parent), m_view(view) {}
    void reject() override {
        if (m_view) m_view->cancel();
    }

private:
    QPointer<BackdropEditorView> m_view;
};

} // namespace

BackdropEditorView::BackdropEditorView(Host host, QWidget *parent)
    : QWidget(parent), m_host(std::move(host)), m_state(new BackdropEditorState(m_host.backdrop, this)) {
    setFixedSize(kSheetSize);
    setAutoFillBackground(true);
    setPalette(darkPalette(palette()));
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(buildHeader());
    column->addWidget(divider(Qt::Horizontal, this));
    auto *main = new QHBoxLayout;
    main->setSpacing(0);
    main->addWidget(buildStageColumn(), 1);
    main->addWidget(divider(Qt::Vertical, this));
    main->addWidget(buildControls());
    column->addLayout(main, 1);
    column->addWidget(divider(Qt::Horizontal, this));
    column->addWidget(buildFooter());

    connect(m_state, &BackdropEditorState::backdropChanged, this, &BackdropEditorView::sync);
    connect(m_state, &BackdropEditorState::selectedColorChanged, this, &BackdropEditorView::selectionChanged);
    sync();
}

BackdropEditorView::~BackdropEditorView() {
    // Destroyed on screen (its window deleted outright): it disappears all the same.
    if (isVisible()) ColorPanelBridge::shared().detach();
}

const std::array<Backdrop::Kind, 3> &BackdropEditorView::editableKinds() {
    return BackdropEditorState::editableKinds();
}

const QList<QList<quint32>> &BackdropEditorView::palettes() { return BackdropEditorState::palettes(); }

QString BackdropEditorView::title() const { return m_host.isNew ? L("Novo fundo") : L("Editar fundo"); }

QWidget *BackdropEditorView::buildHeader() {
    auto *header = new QWidget(this);
    header->setFixedHeight(64);
    auto *row = new QHBoxLayout(header);
    row->setContentsMargins(20, 0, 20, 0);
    row->setSpacing(12);
    auto *titles = new QVBoxLayout;
    titles->setSpacing(2);
    titles->addStretch(1);
    titles->addWidget(themedLabel(title(), Theme::font(16, QFont::DemiBold), Theme::text(), header));
    m_summary = themedLabel({}, Theme::font(12), Theme::text3(), header);
    titles->addWidget(m_summary);
    titles->addStretch(1);
    row->addLayout(titles);
    row->addStretch(1);
    auto *surprise = new ToolbarButton(L("Surpreenda-me"), false, header);
    surprise->setSymbol(QStringLiteral("dice"));
    surprise->setToolTip(L("Gera uma paleta harmoniosa aleatória"));
    surprise->setAutoDefault(false);
    connect(surprise, &QAbstractButton::clicked, m_state, qOverload<>(&BackdropEditorState::randomize));
    row->addWidget(surprise);
    return header;
}

QWidget *BackdropEditorView::buildStageColumn() {
    auto *stageColumn = new QWidget(this);
    auto *column = new QVBoxLayout(stageColumn);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(14);
    column->addWidget(new BackdropStage(*m_state, m_host.sample, stageColumn), 1);
    column->addWidget(new BackdropKindPicker(*m_state, stageColumn));
    return stageColumn;
}

QWidget *BackdropEditorView::buildControls() {
    auto *scroll = new QScrollArea(this);
    scroll->setFixedWidth(300);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidgetResizable(true);
    auto *content = new QWidget;
    auto *column = new QVBoxLayout(content);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(22);

    auto *nameBlock = new QVBoxLayout;
    nameBlock->setSpacing(8);
    nameBlock->addWidget(new SectionLabel(L("Nome"), content));
    m_name = new QLineEdit(m_host.backdrop.name, content);
    m_name->setPlaceholderText(L("Meu fundo"));
    m_name->setFont(Theme::font(13));
    m_name->setFixedHeight(32);
    m_name->setFrame(false);
    m_name->setStyleSheet(
        QStringLiteral("QLineEdit { background: %1; color: %2; border: 1px solid %3; border-radius: 8px;"
                       " padding: 0 10px; }")
            .arg(Theme::raised().name(QColor::HexArgb), Theme::text().name(QColor::HexArgb),
                 Theme::line().name(QColor::HexArgb)));
    connect(m_name, &QLineEdit::textEdited, m_state, &BackdropEditorState::setName);
    nameBlock->addWidget(m_name);
    column->addLayout(nameBlock);

    m_colors = new BackdropColorsSection(*m_state, content);
    connect(m_colors, &BackdropColorsSection::paletteRequested, this, &BackdropEditorView::openPalette);
    column->addWidget(m_colors);
    m_direction = new BackdropDirectionSection(*m_state, content);
    column->addWidget(m_direction);

    m_meshHint = new QWidget(content);
    auto *hint = new QHBoxLayout(m_meshHint);
    hint->setContentsMargins(0, 0, 0, 0);
    hint->setSpacing(6);
    auto *hand = new QLabel(m_meshHint);
    hand->setPixmap(Icons::pixmap(QStringLiteral("hand.draw"), 12, Theme::text3(), devicePixelRatioF()));
    hand->setAlignment(Qt::AlignTop);
    hint->addWidget(hand);
    hint->addWidget(wrappingLabel(L("Arraste os pontos na prévia para mover cada cor."), Theme::font(12),
                                  Theme::text3(), m_meshHint),
                    1);
    column->addWidget(m_meshHint);

    column->addWidget(new BackdropPalettesSection(*m_state, m_host.brandPalette, content));
    column->addStretch(1);
    scroll->setWidget(content);
    content->setAutoFillBackground(false);
    scroll->viewport()->setAutoFillBackground(false);
    return scroll;
}

QWidget *BackdropEditorView::buildFooter() {
    auto *footer = new QWidget(this);
    footer->setFixedHeight(68);
    auto *row = new QHBoxLayout(footer);
    row->setContentsMargins(20, 0, 20, 0);
    row->setSpacing(10);
    if (m_host.onDelete) {
        const QColor red(240, 138, 138);
        auto *remove = new QPushButton(Icons::icon(QStringLiteral("trash"), red), L("Excluir fundo"), footer);
        remove->setFont(Theme::font(13));
        remove->setFlat(true);
        remove->setAutoDefault(false);
        remove->setCursor(Qt::PointingHandCursor);
        remove->setStyleSheet(
            QStringLiteral("QPushButton { color: %1; border: none; background: transparent; padding: 4px 0; }")
                .arg(red.name()));
        connect(remove, &QAbstractButton::clicked, this, [this] { m_host.onDelete(); });
        row->addWidget(remove);
    }
    row->addStretch(1);
    auto *cancelButton = new SecondaryButton(L("Cancelar"), footer);
    cancelButton->setAutoDefault(false);
    connect(cancelButton, &QAbstractButton::clicked, this, &BackdropEditorView::cancel);
    row->addWidget(cancelButton);
    auto *saveButton = new PrimaryButton(m_host.saveTitle, footer);
    saveButton->setAutoDefault(false);
    connect(saveButton, &QAbstractButton::clicked, this, &BackdropEditorView::save);
    row->addWidget(saveButton);
    return footer;
}

void BackdropEditorView::sync() {
    const Backdrop::Kind kind = m_state->backdrop().kind;
    m_summary->setText(m_state->summary());
    m_direction->setVisible(kind == Backdrop::Kind::linear);
    m_meshHint->setVisible(kind == Backdrop::Kind::mesh);
}

void BackdropEditorView::selectionChanged() {
    // An open panel follows the selection.
    const QColorDialog *panel = ColorPanelBridge::shared().panel();
    if (panel && panel->isVisible()) openPalette();
}

void BackdropEditorView::openPalette() {
    const int index = m_state->selectedColor();
    if (!m_state->hasSelection()) return;
    ColorPanelBridge::shared().open(
        colorFromHex(m_state->colorAt(index)),
        [state = QPointer<BackdropEditorState>(m_state), index](const QColor &color) {
            // The slot selected when the panel opened; gone means ignored.
            if (state) state->setColorAt(index, hexValue(color));
        },
        this);
}

void BackdropEditorView::save() {
    if (m_host.onSave) m_host.onSave(m_state->savedBackdrop());
}

void BackdropEditorView::cancel() {
    if (m_host.onCancel) m_host.onCancel();
}

void BackdropEditorView::keyPressEvent(QKeyEvent *event) {
    if ((event->modifiers() & ~Qt::KeypadModifier).toInt() != 0) return QWidget::keyPressEvent(event);
    switch (event->key()) {
    case Qt::Key_Escape: cancel(); return;
    case Qt::Key_Return:
    case Qt::Key_Enter: save(); return;
    default: QWidget::keyPressEvent(event);
    }
}

void BackdropEditorView::hideEvent(QHideEvent *event) {
    QWidget::hideEvent(event);
    ColorPanelBridge::shared().detach();
}

BackdropEditorView::Host BackdropEditorView::hostFor(const BackdropSheet::Request &request,
                                                     const BackdropSheet::Actions &actions, bool isNew) {
    Host host;
    host.backdrop = request.backdrop;
    host.sample = request.sample;
    host.isNew = isNew;
    host.onSave = actions.save;
    host.onDelete = actions.remove;
    host.onCancel = actions.cancel;
    if (!request.brandPalette.isEmpty()) host.brandPalette = request.brandPalette;
    host.saveTitle = request.saveTitle;
    return host;
}

QWidget *BackdropEditorView::content(QWidget *sheet, const BackdropSheet::Request &request,
                                     const BackdropSheet::Actions &actions) {
    auto *view = new BackdropEditorView(hostFor(request, actions, !actions.remove), sheet);
    sheet->setWindowTitle(view->title());
    sheet->setFixedSize(view->size());
    return view;
}

void BackdropEditorView::present(QWidget *parent, const BackdropSheet::Request &request,
                                 BackdropSheet::Completion done) {
    // The completion runs once: on save, on cancel, or with none when the sheet is torn down.
    auto completion = std::make_shared<BackdropSheet::Completion>(std::move(done));
    auto dialog = std::make_shared<QPointer<QDialog>>();
    const auto finish = [completion, dialog](std::optional<Backdrop> result) {
        if (!*completion) return;
        const BackdropSheet::Completion once = std::exchange(*completion, nullptr);
        if (*dialog) {
            (*dialog)->done(result ? QDialog::Accepted : QDialog::Rejected);
            (*dialog)->deleteLater();
        }
        once(std::move(result));
    };
    BackdropSheet::Actions actions;
    actions.save = [finish](const Backdrop &b) { finish(b); };
    actions.cancel = [finish] { finish(std::nullopt); };
    auto *view = new BackdropEditorView(hostFor(request, actions, false));
    auto *sheet = new BackdropEditorDialog(view, parent ? parent->window() : nullptr);
    sheet->setWindowModality(Qt::WindowModal);
    sheet->setWindowTitle(view->title());
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    auto *layout = new QVBoxLayout(sheet);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(view);
    *dialog = sheet;
    QObject::connect(sheet, &QObject::destroyed, [finish] { finish(std::nullopt); });
    sheet->show();
}
