#include "editor_window/EditorBars.h"

#include "core/Localization.h"
#include "core/StyleStore.h"
#include "editor/EditorModel.h"
#include "editor_window/EditorSummaries.h"
#include "widgets/Buttons.h"
#include "widgets/Icons.h"
#include "widgets/KeptPicture.h"
#include "widgets/Keycap.h"
#include "widgets/Spinner.h"
#include "widgets/Theme.h"
#include "widgets/ThemedLabel.h"

#include <QAbstractButton>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>

namespace {

// "Comandos" with its caps on a raised rounded plate, 30 high.
class CommandsButton final : public QAbstractButton {
public:
    explicit CommandsButton(QWidget *parent) : QAbstractButton(parent) {
        setObjectName(QStringLiteral("commandsButton"));
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::NoFocus);
        setText(L("Comandos"));
        auto *row = new QHBoxLayout(this);
        row->setContentsMargins(10, 0, 10, 0);
        row->setSpacing(8);
        QLabel *label = themedLabel(text(), Theme::font(13), QColor(200, 200, 210), this);
        auto *caps = new KeycapRow({QStringLiteral("Ctrl"), QStringLiteral("K")}, Keycap::Size::small, this);
        for (QWidget *w : {static_cast<QWidget *>(label), static_cast<QWidget *>(caps)}) {
            w->setAttribute(Qt::WA_TransparentForMouseEvents);
            row->addWidget(w);
        }
        setFixedSize(row->sizeHint().width(), 30);
    }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        drawPlate(p, rect(), 8, Theme::raised(), Theme::line());
    }
};

// A button whose label is a row of widgets (text, caps, an indicator); it takes the row's width.
void setContent(QPushButton *button, int spacing, const QList<QWidget *> &items) {
    auto *row = new QHBoxLayout(button);
    row->setContentsMargins(16, 0, 16, 0);
    row->setSpacing(spacing);
    for (QWidget *item : items) {
        item->setParent(button);
        item->setAttribute(Qt::WA_TransparentForMouseEvents);
        row->addWidget(item, 0, Qt::AlignVCenter);
    }
}

void fitContent(QPushButton *button) {
    button->layout()->activate();
    button->setFixedWidth(button->layout()->sizeHint().width());
}

void paintBar(QWidget &bar) { QPainter(&bar).fillRect(bar.rect(), Theme::panel()); }

// The key hints: as many whole ones as the bar has room for beside its buttons, the last ones giving way
// first.
class HintRow final : public QWidget {
public:
    using QWidget::QWidget;
    QSize minimumSizeHint() const override { return {0, QWidget::minimumSizeHint().height()}; }
    void fit() {
        int used = 0;
        bool room = true;
        const int spacing = layout()->spacing();
        for (QObject *child : children()) {
            auto *hint = qobject_cast<QWidget *>(child);
            if (!hint) continue;
            used += (used ? spacing : 0) + hint->sizeHint().width();
            room = room && used <= width();
            hint->setVisible(room);
        }
    }

protected:
    void resizeEvent(QResizeEvent *event) override {
        QWidget::resizeEvent(event);
        fit();
    }
};

} // namespace

EditorTopBar::EditorTopBar(EditorModel *model, StyleStore &styles, QWidget *parent)
    : QWidget(parent), m_model(model), m_styles(styles) {
    setObjectName(QStringLiteral("editorTopBar"));
    setFixedHeight(barHeight);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(18, 0, 18, 0);
    row->setSpacing(10);
    row->addWidget(themedLabel(L("Editor"), Theme::font(14, QFont::DemiBold), Theme::text(), this));
    m_edit = themedLabel(QString(), Theme::font(12), Theme::text3(), this);
    m_edit->setObjectName(QStringLiteral("editSummary"));
    row->addWidget(m_edit);
    row->addStretch(1);
    m_size = themedLabel(QString(), Theme::monospaceFont(12), Theme::text3(), this);
    m_size->setObjectName(QStringLiteral("sizeSummary"));
    row->addWidget(m_size);
    m_commands = new CommandsButton(this);
    row->addWidget(m_commands);
    connect(m_commands, &QAbstractButton::clicked, this, [this] {
        if (m_model) m_model->page().setCommandBarOpen(true);
    });
    for (auto signal : {&EditorDocument::annotationsChanged, &EditorDocument::cropChanged})
        connect(&model->document(), signal, this, &EditorTopBar::refresh);
    for (auto signal : {&EditorRenderJob::exportPixelSizeChanged, &EditorRenderJob::estimatedBytesChanged})
        connect(&model->render(), signal, this, &EditorTopBar::refresh);
    connect(&styles, &StyleStore::exportSettingsChanged, this, &EditorTopBar::refresh);
    refresh();
}

void EditorTopBar::refresh() {
    if (!m_model) return;
    const QString edit =
        EditorSummaries::editSummary(m_model->document().annotations().size(), m_model->document().crop().has_value());
    // The summaries stay shown, empty when there is nothing to say: showing a widget in a window
    // under the pointer costs a round trip to the X server, and the size arrives with every render.
    m_edit->setText(edit);
    const std::optional<QString> size = EditorSummaries::sizeSummary(
        m_model->render().exportPixelSize(), m_model->render().estimatedBytes(), m_styles.exportSettings().format);
    m_size->setText(size.value_or(QString()));
}

void EditorTopBar::paintEvent(QPaintEvent *) { paintBar(*this); }

EditorBottomBar::EditorBottomBar(EditorModel *model, QWidget *parent) : QWidget(parent), m_model(model) {
    setObjectName(QStringLiteral("editorBottomBar"));
    setFixedHeight(barHeight);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(20, 0, 20, 0);
    row->setSpacing(18);
    m_hints = new HintRow(this);
    m_hints->setObjectName(QStringLiteral("hints"));
    auto *hints = new QHBoxLayout(m_hints);
    hints->setContentsMargins(0, 0, 0, 0);
    hints->setSpacing(18);
    row->addWidget(m_hints, 1);

    m_copyText = new SecondaryButton(QString(), this);
    m_copyText->setObjectName(QStringLiteral("copyTextButton"));
    m_copyText->setToolTip(L("Lê o texto do print e copia para colar em qualquer lugar. Funciona no Mac, sem internet. "
                             "Atalho: ⇧⌘C"));
    m_copyText->setAccessibleName(L("Copiar texto do print"));
    m_copyTextIcon = new QLabel;
    m_copyTextIcon->setPixmap(Icons::pixmap(QStringLiteral("text.viewfinder"), 15, Theme::text(), devicePixelRatioF()));
    m_copyTextSpinner = new Spinner(14);
    m_copyTextLabel = themedLabel(QString(), Theme::font(14), Theme::text());
    m_copyTextLabel->setObjectName(QStringLiteral("copyTextTitle"));
    setContent(m_copyText, 8, {m_copyTextIcon, m_copyTextSpinner, m_copyTextLabel});
    row->addWidget(m_copyText);

    m_save = new SecondaryButton(QString(), this);
    m_save->setObjectName(QStringLiteral("saveButton"));
    m_save->setAccessibleName(L("Salvar"));
    setContent(m_save, 10,
               {themedLabel(L("Salvar"), Theme::font(14), Theme::text()),
                new KeycapRow({QStringLiteral("Ctrl"), QStringLiteral("S")}, Keycap::Size::small)});
    fitContent(m_save);
    row->addWidget(m_save);

    auto *copy = new PrimaryButton(L("Copiar"), this);
    copy->setObjectName(QStringLiteral("copyButton"));
    copy->setKeyHint(QStringLiteral("Ctrl+C"));
    m_copy = copy;
    row->addWidget(m_copy);

    // Buttons with no key of their own: the keys are the editor's key table's.
    for (QPushButton *b : {m_copyText, m_save, m_copy}) {
        b->setAutoDefault(false);
        b->setFocusPolicy(Qt::NoFocus);
    }
    connect(m_copyText, &QPushButton::clicked, this, [this] {
        if (m_model) m_model->copyText();
    });
    connect(m_save, &QPushButton::clicked, this, [this] {
        if (m_model) m_model->save();
    });
    connect(m_copy, &QPushButton::clicked, this, [this] {
        if (m_model) m_model->copy();
    });
    for (auto signal :
         {&EditorDocument::toolChanged, &EditorDocument::selectedIDChanged, &EditorDocument::historyChanged})
        connect(&model->document(), signal, this, &EditorBottomBar::refreshHints);
    connect(&model->page(), &EditorPageState::isReadingTextChanged, this, &EditorBottomBar::refreshReading);
    refreshHints();
    refreshReading();
}

void EditorBottomBar::refreshHints() {
    if (!m_model) return;
    const QList<EditorSummaries::Hint> hints =
        EditorSummaries::hints(m_model->document().tool() == EditorTool::preview,
                               m_model->document().selectedID().has_value(), m_model->document().canUndo());
    QLayout *row = m_hints->layout();
    while (QLayoutItem *item = row->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    for (const EditorSummaries::Hint &hint : hints) {
        auto *box = new QWidget(m_hints);
        auto *line = new QHBoxLayout(box);
        line->setContentsMargins(0, 0, 0, 0);
        line->setSpacing(6);
        line->addWidget(new KeycapRow(hint.keys, Keycap::Size::small, box));
        QLabel *text = themedLabel(hint.text, Theme::font(12), Theme::text3(), box);
        text->setObjectName(QStringLiteral("hintText"));
        line->addWidget(text);
        row->addWidget(box);
    }
    static_cast<QHBoxLayout *>(row)->addStretch(1);
    static_cast<HintRow *>(m_hints)->fit();
}

void EditorBottomBar::refreshReading() {
    const bool reading = m_model && m_model->page().isReadingText();
    m_copyTextIcon->setVisible(!reading);
    m_copyTextSpinner->setVisible(reading);
    m_copyTextLabel->setText(reading ? L("Lendo… clique para parar") : L("Copiar texto"));
    fitContent(m_copyText);
}

void EditorBottomBar::paintEvent(QPaintEvent *) { paintBar(*this); }
