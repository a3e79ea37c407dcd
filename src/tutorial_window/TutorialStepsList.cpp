#include "tutorial_window/TutorialStepsList.h"

#include "core/Localization.h"
#include "tutorial_window/TutorialStepCard.h"
#include "widgets/Icons.h"
#include "widgets/Theme.h"
#include "widgets/ThemedLabel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {

// The height of a card not built yet: a 16:9 screenshot's.
constexpr int kEstimatedHeight = 16 + 214 + 16;
constexpr int kMaxWidth = 980;

} // namespace

// The place of one step in the list: empty at the estimated height until its card is built.
class TutorialStepsList::Slot : public QWidget {
public:
    Slot(QWidget *parent) : QWidget(parent), m_layout(new QVBoxLayout(this)) {
        m_layout->setContentsMargins(0, 0, 0, 0);
        setFixedHeight(kEstimatedHeight);
    }

    TutorialStepCard *card = nullptr;
    TutorialStep step;
    int number = 1;
    int total = 1;

    void build(TutorialStore &store, PictureLoader &loader) {
        card = new TutorialStepCard(store, loader, this);
        card->setStep(step, number, total);
        setMinimumHeight(0);
        setMaximumHeight(QWIDGETSIZE_MAX);
        m_layout->addWidget(card);
        card->show();
    }

    // The height the slot takes in the list.
    int extent() const { return card ? card->sizeHint().height() : kEstimatedHeight; }

    void set(const TutorialStep &s, int n, int t) {
        step = s;
        number = n;
        total = t;
        if (card) card->setStep(s, n, t);
    }

private:
    QVBoxLayout *m_layout;
};

TutorialStepsList::TutorialStepsList(TutorialStore &store, PictureLoader &loader, QWidget *parent)
    : QScrollArea(parent), m_store(store), m_loader(loader) {
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto *page = new QWidget(this);
    page->setAutoFillBackground(false);
    auto *centring = new QHBoxLayout(page);
    centring->setContentsMargins(0, 0, 0, 0);
    m_column = new QWidget(page);
    m_column->setMaximumWidth(kMaxWidth);
    centring->addWidget(m_column);
    m_layout = new QVBoxLayout(m_column);
    m_layout->setContentsMargins(24, 24, 24, 24);
    m_layout->setSpacing(14);

    m_recordingRow = new QWidget(m_column);
    m_recordingRow->setObjectName(QStringLiteral("recordingRow"));
    auto *row = new QHBoxLayout(m_recordingRow);
    row->setContentsMargins(0, 18, 0, 18);
    row->setSpacing(6);
    row->addStretch(1);
    auto *icon = new QLabel(m_recordingRow);
    icon->setPixmap(Icons::pixmap(QStringLiteral("record.circle"), 14, Theme::text3(), devicePixelRatioF()));
    row->addWidget(icon);
    row->addWidget(
        themedLabel(L("Gravando: a próxima captura entra aqui"), Theme::font(13), Theme::text3(), m_recordingRow));
    row->addStretch(1);
    m_layout->addWidget(m_recordingRow);
    m_layout->addStretch(1);
    setWidget(page);
    viewport()->setAutoFillBackground(false);

    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &TutorialStepsList::buildVisible);
}

void TutorialStepsList::setSteps(const QList<TutorialStep> &steps, bool recording) {
    QList<Slot *> ordered;
    QHash<QUuid, Slot *> byID;
    const int total = static_cast<int>(steps.size());
    for (int i = 0; i < total; ++i) {
        const TutorialStep &step = steps[i];
        if (byID.contains(step.id)) continue; // a hand-edited document may repeat an identifier
        Slot *slot = m_byID.take(step.id);
        if (!slot) {
            slot = new Slot(m_column);
            slot->setObjectName(QStringLiteral("step:") + step.id.toString(QUuid::WithoutBraces));
            slot->show(); // at once: the layout places only shown widgets
        }
        slot->set(step, i + 1, total);
        ordered.append(slot);
        byID.insert(step.id, slot);
    }
    for (Slot *gone : std::as_const(m_byID)) {
        m_layout->removeWidget(gone);
        gone->hide();
        gone->deleteLater();
    }
    if (ordered != m_slots) {
        for (Slot *slot : std::as_const(ordered)) m_layout->removeWidget(slot);
        for (int i = 0; i < ordered.size(); ++i) m_layout->insertWidget(i, ordered[i]);
    }
    m_slots = ordered;
    m_byID = byID;
    m_recordingRow->setVisible(recording);
    buildVisible();
}

void TutorialStepsList::clear() {
    for (Slot *slot : std::as_const(m_slots)) {
        m_layout->removeWidget(slot);
        slot->hide();
        slot->deleteLater();
    }
    m_slots.clear();
    m_byID.clear();
    verticalScrollBar()->setValue(0);
}

void TutorialStepsList::buildVisible() {
    if (!isVisible()) return;
    // Where each slot sits follows from the heights above it; the layout places them only later.
    const int margin = viewport()->height();
    const int top = verticalScrollBar()->value() - margin;
    const int bottom = verticalScrollBar()->value() + viewport()->height() + margin;
    int y = m_layout->contentsMargins().top();
    for (Slot *slot : std::as_const(m_slots)) {
        if (y > bottom) break;
        if (!slot->card && y + slot->extent() >= top) slot->build(m_store, m_loader);
        y += slot->extent() + m_layout->spacing();
    }
}

void TutorialStepsList::resizeEvent(QResizeEvent *event) {
    QScrollArea::resizeEvent(event);
    buildVisible();
}

void TutorialStepsList::showEvent(QShowEvent *event) {
    QScrollArea::showEvent(event);
    buildVisible();
}
