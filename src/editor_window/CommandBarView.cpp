#include "editor_window/CommandBarView.h"

#include "core/Localization.h"
#include "editor/EditorModel.h"
#include "editor_window/CommandList.h"
#include "widgets/Icons.h"
#include "widgets/Keycap.h"
#include "widgets/Theme.h"
#include "widgets/ThemedLabel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPropertyAnimation>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QtMath>

namespace {

constexpr int kSearchHeight = 58, kFooterHeight = 44;

class Hairline final : public QWidget {
public:
    explicit Hairline(QWidget *parent) : QWidget(parent) { setFixedHeight(1); }

protected:
    void paintEvent(QPaintEvent *) override { QPainter(this).fillRect(rect(), Theme::line()); }
};

// The footer's band: Theme::bg at 0.6 inside the card's rounded bottom corners.
class FooterBand final : public QWidget {
public:
    explicit FooterBand(QWidget *parent) : QWidget(parent) { setFixedHeight(kFooterHeight); }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QColor fill = Theme::bg();
        fill.setAlphaF(0.6);
        const QRectF card = QRectF(rect()).adjusted(0.5, -200, -0.5, -0.5);
        p.setClipRect(rect());
        p.fillPath(Theme::continuousRoundedRect(card, 16), fill);
    }
};

// One footer hint: caps and a text, drawn by the hint itself as one widget.
class FooterHint final : public QWidget {
public:
    FooterHint(const QStringList &keys, const QString &text, QWidget *parent)
        : QWidget(parent), m_keys(keys), m_text(text) {
        const QSizeF caps = Keycap::paintRow(nullptr, {}, keys, Keycap::Size::small);
        m_capsWidth = caps.width();
        setFixedSize(qCeil(m_capsWidth + 6 + QFontMetricsF(Theme::font(12)).horizontalAdvance(text)),
                     qCeil(caps.height()) + Keycap::shadowOffset(Keycap::Size::small));
    }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter p(this);
        Keycap::paintRow(&p, {}, m_keys, Keycap::Size::small);
        p.setFont(Theme::font(12));
        p.setPen(Theme::text2());
        p.drawText(QRectF(m_capsWidth + 6, 0, width(), height() - 1), Qt::AlignLeft | Qt::AlignVCenter, m_text);
    }

private:
    QStringList m_keys;
    QString m_text;
    qreal m_capsWidth = 0;
};

QWidget *footerHint(const QStringList &keys, const QString &text, QWidget *parent) {
    return new FooterHint(keys, text, parent);
}

} // namespace

CommandBarView::CommandBarView(EditorModel *model, QWidget *parent)
    : EditorOverlay(
          [model = QPointer<EditorModel>(model)] {
              if (model) model->page().setCommandBarOpen(false);
          },
          parent, 0.98),
      m_model(model), m_card(new QWidget(this)) {
    setObjectName(QStringLiteral("commandBar"));
    auto *column = new QVBoxLayout(m_card);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(searchRow());
    column->addWidget(new Hairline(m_card));
    m_list = new CommandList;
    m_list->setObjectName(QStringLiteral("list"));
    m_scroll = new QScrollArea(m_card);
    m_scroll->setObjectName(QStringLiteral("scroll"));
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setWidgetResizable(true);
    m_scroll->setWidget(m_list);
    m_scroll->viewport()->setAutoFillBackground(false);
    m_list->setAutoFillBackground(false);
    m_scroll->setStyleSheet(QStringLiteral("QScrollArea { background: transparent; }"));
    column->addWidget(m_scroll);
    column->addWidget(new Hairline(m_card));
    column->addWidget(footer());
    m_scrollAnimation = new QPropertyAnimation(m_scroll->verticalScrollBar(), "value", this);
    m_scrollAnimation->setDuration(100);
    m_scrollAnimation->setEasingCurve(QEasingCurve::OutCubic);

    connect(m_list, &CommandList::rowClicked, this, [this](int index) {
        if (!m_model) return;
        m_model->page().setCommandSelection(index);
        m_model->runSelectedCommand();
    });
    connect(m_field, &QLineEdit::textEdited, this, [this](const QString &text) {
        if (m_model) m_model->page().setCommandQuery(text);
    });
    connect(&model->page(), &EditorPageState::commandQueryChanged, this, &CommandBarView::refresh);
    connect(&model->page(), &EditorPageState::commandSelectionChanged, this, &CommandBarView::selectionChanged);
}

QWidget *CommandBarView::searchRow() {
    auto *row = new QWidget(m_card);
    row->setFixedHeight(kSearchHeight);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(18, 0, 18, 0);
    layout->setSpacing(12);
    auto *glass = new QLabel(row);
    glass->setPixmap(Icons::pixmap(QStringLiteral("magnifyingglass"), 16, Theme::text3(), devicePixelRatioF()));
    layout->addWidget(glass);
    m_field = new QLineEdit(row);
    m_field->setObjectName(QStringLiteral("commandSearch"));
    m_field->setFrame(false);
    m_field->setFont(Theme::font(17));
    m_field->setPlaceholderText(L("Buscar comando"));
    QPalette palette = m_field->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    palette.setColor(QPalette::Text, Theme::text());
    palette.setColor(QPalette::PlaceholderText, Theme::text3());
    m_field->setPalette(palette);
    layout->addWidget(m_field, 1);
    layout->addWidget(themedLabel(L("Editor"), Theme::font(12), Theme::text3(), row));
    return row;
}

QWidget *CommandBarView::footer() {
    auto *band = new FooterBand(m_card);
    auto *layout = new QHBoxLayout(band);
    layout->setContentsMargins(16, 0, 16, 0);
    layout->setSpacing(16);
    layout->addWidget(footerHint({QStringLiteral("↑"), QStringLiteral("↓")}, L("navegar"), band));
    layout->addWidget(footerHint({QStringLiteral("↵")}, L("aplicar"), band));
    layout->addStretch(1);
    layout->addWidget(footerHint({QStringLiteral("Esc")}, L("fechar"), band));
    return band;
}

void CommandBarView::appeared() {
    // Every opening starts from the model's state: its query (emptied by the opening) and the table
    // as it is now.
    m_list->forgetSwatches();
    refresh();
    m_scrollAnimation->stop();
    m_scroll->verticalScrollBar()->setValue(0);
    m_field->setFocus(Qt::OtherFocusReason);
}

void CommandBarView::refresh() {
    if (!m_model) return;
    if (m_field->text() != m_model->page().commandQuery()) m_field->setText(m_model->page().commandQuery());
    m_list->setRows(m_model->filteredCommands(), m_model->page().commandSelection());
    placeCard();
}

void CommandBarView::selectionChanged() {
    if (!m_model) return;
    m_list->setSelection(m_model->page().commandSelection());
    scrollToSelection();
}

void CommandBarView::scrollToSelection() {
    const QRect row = m_list->rowRect(m_model->page().commandSelection());
    if (row.isEmpty()) return;
    // The least scrolling that shows the whole row.
    QScrollBar *bar = m_scroll->verticalScrollBar();
    const int view = m_scroll->viewport()->height();
    const int current = m_scrollAnimation->state() == QAbstractAnimation::Running
                            ? m_scrollAnimation->endValue().toInt()
                            : bar->value();
    int target = current;
    if (row.top() < current) target = row.top();
    else if (row.bottom() + 1 > current + view) target = row.bottom() + 1 - view;
    target = std::clamp(target, bar->minimum(), std::max(bar->minimum(), m_list->height() - view));
    if (target == current) return;
    m_scrollAnimation->stop();
    m_scrollAnimation->setStartValue(bar->value());
    m_scrollAnimation->setEndValue(target);
    m_scrollAnimation->start();
}

QRect CommandBarView::cardRect() const { return m_card->geometry(); }

void CommandBarView::resizeEvent(QResizeEvent *event) {
    EditorOverlay::resizeEvent(event);
    placeCard();
}

void CommandBarView::placeCard() {
    const int list = std::min(maxListHeight, m_list->height());
    const int height = kSearchHeight + 1 + list + 1 + kFooterHeight;
    m_scroll->setFixedHeight(list);
    const QRect before = m_card->geometry();
    m_card->setGeometry((width() - cardWidth) / 2, cardTop, cardWidth, height);
    // The card's background and shadow are drawn by the overlay around it.
    if (before != m_card->geometry()) update();
}
