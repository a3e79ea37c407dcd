#include "tutorial_window/TutorialStepCard.h"

#include "core/Localization.h"
#include "tutorial_window/NumberBadge.h"
#include "tutorial_window/PlainFields.h"
#include "tutorial_window/StepPictureView.h"
#include "tutorial_window/TutorialPanels.h"
#include "tutorials/TutorialStore.h"
#include "widgets/Buttons.h"
#include "widgets/Icons.h"
#include "widgets/Theme.h"
#include "widgets/ThemedLabel.h"
#include "widgets/ToolbarButton.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QVBoxLayout>

namespace {

constexpr int kStatusIcon = 12;

ToolbarButton *symbolButton(const QString &symbol, const QString &help, QWidget *parent) {
    auto *button = new ToolbarButton(QString(), false, parent);
    button->setSymbol(symbol);
    button->setToolTip(help);
    button->setAccessibleName(help);
    return button;
}

} // namespace

TutorialStepCard::TutorialStepCard(TutorialStore &store, PictureLoader &loader, QWidget *parent)
    : QWidget(parent), m_store(store) {
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(16, 16, 16, 16);
    row->setSpacing(18);
    m_badge = new NumberBadge(1, 30, 14, this);
    row->addWidget(m_badge, 0, Qt::AlignTop);
    m_picture = new StepPictureView(loader, this);
    m_picture->setObjectName(QStringLiteral("picture"));
    row->addWidget(m_picture, 0, Qt::AlignTop);

    auto *column = new QVBoxLayout;
    column->setSpacing(10);
    m_title = new QLineEdit(this);
    m_title->setObjectName(QStringLiteral("titleField"));
    makePlainField(m_title, Theme::font(15, QFont::DemiBold), Theme::text());
    m_title->setPlaceholderText(L("Título do passo (ex.: Abra Ajustes)"));
    column->addWidget(m_title);
    m_detail = new GrowingTextEdit(2, 6, this);
    m_detail->setObjectName(QStringLiteral("detailField"));
    makePlainField(m_detail, Theme::font(13), Theme::text2());
    m_detail->setPlaceholderText(L("O que fazer neste passo…"));
    column->addWidget(m_detail);

    auto *status = new QHBoxLayout;
    status->setSpacing(6);
    m_markerIcon = new QLabel(this);
    status->addWidget(m_markerIcon);
    m_markerText = themedLabel(QString(), Theme::font(11), Theme::text3(), this);
    m_markerText->setObjectName(QStringLiteral("markerStatus"));
    status->addWidget(m_markerText);
    m_removeMarker = new LinkButton(L("Remover"), 11, this);
    m_removeMarker->setObjectName(QStringLiteral("removeMarkerButton"));
    status->addWidget(m_removeMarker);
    status->addStretch(1);
    column->addLayout(status);
    column->addStretch(1);

    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(6);
    m_up = symbolButton(QStringLiteral("arrow.up"), L("Subir"), this);
    m_down = symbolButton(QStringLiteral("arrow.down"), L("Descer"), this);
    m_delete = new ToolbarButton(L("Excluir passo"), false, this);
    m_delete->setSymbol(QStringLiteral("trash"));
    m_up->setObjectName(QStringLiteral("upButton"));
    m_down->setObjectName(QStringLiteral("downButton"));
    m_delete->setObjectName(QStringLiteral("deleteButton"));
    buttons->addWidget(m_up);
    buttons->addWidget(m_down);
    buttons->addStretch(1);
    buttons->addWidget(m_delete);
    column->addLayout(buttons);
    row->addLayout(column, 1);

    connect(m_title, &QLineEdit::textEdited, this, [this](const QString &text) {
        TutorialStep edited = m_step;
        edited.title = text;
        save(edited);
    });
    connect(m_detail, &QPlainTextEdit::textChanged, this, [this] {
        if (m_syncing) return;
        TutorialStep edited = m_step;
        edited.detail = m_detail->toPlainText();
        save(edited);
    });
    connect(m_picture, &StepPictureView::clicked, this, [this](QPointF marker) {
        TutorialStep edited = m_step;
        edited.marker = marker;
        save(edited);
    });
    connect(m_removeMarker, &QPushButton::clicked, this, [this] {
        TutorialStep edited = m_step;
        edited.marker.reset();
        save(edited);
    });
    // The store may rebuild the list around these calls; the card's own step is copied first.
    connect(m_up, &QPushButton::clicked, this, [this] { m_store.move(TutorialStep(m_step), -1); });
    connect(m_down, &QPushButton::clicked, this, [this] { m_store.move(TutorialStep(m_step), +1); });
    connect(m_delete, &QPushButton::clicked, this, [this] { m_store.remove(TutorialStep(m_step)); });
    refreshMarker();
}

void TutorialStepCard::save(const TutorialStep &edited) {
    m_step = edited;
    m_store.update(edited);
}

void TutorialStepCard::setStep(const TutorialStep &step, int number, int total) {
    m_step = step;
    m_number = number;
    m_badge->setNumber(number);
    m_syncing = true;
    if (m_title->text() != step.title) m_title->setText(step.title);
    if (m_detail->toPlainText() != step.detail) m_detail->setPlainText(step.detail);
    m_syncing = false;
    const std::optional<QUuid> open = m_store.currentID();
    m_picture->setFile(
        open && isBareFileName(step.imageFile) ? m_store.folder(*open) + QLatin1Char('/') + step.imageFile : QString());
    m_picture->setMarker(step.marker, number);
    m_up->setEnabled(number > 1);
    m_down->setEnabled(number < total);
    refreshMarker();
}

void TutorialStepCard::refreshMarker() {
    const bool placed = m_step.marker.has_value();
    m_markerIcon->setPixmap(
        Icons::pixmap(placed ? QStringLiteral("smallcircle.filled.circle") : QStringLiteral("hand.tap"), kStatusIcon,
                      Theme::text3(), devicePixelRatioF()));
    m_markerText->setText(placed ? L(LKey(QStringLiteral("Marcador %@ colocado"), {QString::number(m_number)}))
                                 : L("Clique na imagem para marcar onde clicar"));
    m_removeMarker->setVisible(placed);
}

void TutorialStepCard::paintEvent(QPaintEvent *) { RoundedPanel::paint(this, Theme::panel(), 14); }
