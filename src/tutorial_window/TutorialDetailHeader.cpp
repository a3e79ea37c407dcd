#include "tutorial_window/TutorialDetailHeader.h"

#include "brand/BrandStore.h"
#include "core/Localization.h"
#include "core/ShortcutStore.h"
#include "platform/Alert.h"
#include "tutorial_window/PlainFields.h"
#include "tutorial_window/TutorialPanels.h"
#include "tutorial_window/TutorialTexts.h"
#include "tutorials/TutorialExporter.h"
#include "tutorials/TutorialStore.h"
#include "widgets/ControlState.h"
#include "widgets/Icons.h"
#include "widgets/Theme.h"
#include "widgets/ThemedLabel.h"
#include "widgets/ToolbarButton.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>

#include <algorithm>

namespace {

constexpr int kSymbol = 13;
constexpr int kSide = 24;
constexpr int kGap = 12;
// The least the title and its summary keep beside the buttons before these take a row of their own.
constexpr int kTitleRoom = 160;

// A flat button drawn by its owner: an optional symbol and a text on a rounded fill.
class ChipButton : public QPushButton {
public:
    struct Look {
        qreal fontSize = 12;
        int inset = 8;
        int height = 28;
        qreal radius = 7;
        int spacing = 4;
        bool outline = false;
    };

    ChipButton(const QString &symbol, const QString &text, Look look, QWidget *parent)
        : QPushButton(text, parent), m_symbol(symbol), m_look(look) {
        setFont(Theme::font(look.fontSize));
        setFocusPolicy(Qt::NoFocus);
        ControlState::pointWhileEnabled(this);
    }

    void setColors(const QColor &fill, const QColor &text) {
        m_fill = fill;
        m_text = text;
        update();
    }

    QSize sizeHint() const override { return {contentWidth() + 2 * m_look.inset, m_look.height}; }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        // Dimmed while it cannot act, so a refused click never surprises.
        p.setOpacity(isDown() ? 0.8 : 1.0);
        ControlState::dimWhileDisabled(p, *this);
        const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        const QPainterPath shape = Theme::continuousRoundedRect(r, m_look.radius);
        p.fillPath(shape, m_fill);
        if (m_look.outline) {
            p.setPen(QPen(Theme::line(), 1));
            p.drawPath(shape);
        }
        qreal x = (width() - contentWidth()) / 2.0;
        if (!m_symbol.isEmpty()) {
            p.drawPixmap(QPointF(x, (height() - kSymbol) / 2.0),
                         Icons::pixmap(m_symbol, kSymbol, m_text, devicePixelRatioF()));
            x += kSymbol + m_look.spacing;
        }
        p.setFont(font());
        p.setPen(m_text);
        p.drawText(QRectF(x, 0, width() - x, height()), Qt::AlignLeft | Qt::AlignVCenter, text());
    }

private:
    int contentWidth() const {
        const int symbol = m_symbol.isEmpty() ? 0 : kSymbol + m_look.spacing;
        return symbol + QFontMetrics(font()).horizontalAdvance(text());
    }

    QString m_symbol;
    Look m_look;
    QColor m_fill = Theme::raised();
    QColor m_text = Theme::text2();
};

} // namespace

TutorialDetailHeader::TutorialDetailHeader(TutorialStore &store, BrandStore &brand, ShortcutStore &shortcuts,
                                           QWidget *parent)
    : QWidget(parent), m_store(store), m_brand(brand), m_shortcuts(shortcuts) {
    setFixedHeight(oneRowHeight);

    auto *back = new ChipButton(QStringLiteral("chevron.left"), L("Tutoriais"), {}, this);
    m_back = back;
    m_back->setObjectName(QStringLiteral("backButton"));
    connect(m_back, &QPushButton::clicked, this, [this] { m_store.closeTutorial(); });

    m_title = new EllipsisLineEdit(this);
    m_title->setObjectName(QStringLiteral("titleField"));
    makePlainField(m_title, Theme::font(18, QFont::DemiBold), Theme::text());
    m_title->setPlaceholderText(L("Nome do tutorial"));
    m_summary = themedLabel(QString(), Theme::font(12), Theme::text3(), this);
    m_summary->setObjectName(QStringLiteral("summary"));
    connect(m_title, &QLineEdit::textEdited, this, [this](const QString &text) {
        Tutorial edited = m_store.tutorial();
        edited.title = text; // as typed: only renaming trims
        m_store.setTutorial(edited);
    });

    m_record = new ToolbarButton(QString(), false, this);
    m_record->setObjectName(QStringLiteral("recordButton"));
    m_record->setRecordingDot(true);
    m_record->setSpacing(7);
    m_record->setToolTip(L("Enquanto grava, cada captura vira o próximo passo"));
    connect(m_record, &QPushButton::clicked, this, [this] { m_store.toggleRecording(); });

    m_themes = makeThemePicker();

    ChipButton::Look menuLook;
    menuLook.inset = 10;
    menuLook.height = 30;
    menuLook.radius = 8;
    menuLook.spacing = 6;
    menuLook.outline = true;
    auto *exportButton = new ChipButton(QStringLiteral("square.and.arrow.up"), L("Exportar"), menuLook, this);
    exportButton->setColors(Theme::raised(), Theme::text());
    m_export = exportButton;
    m_export->setObjectName(QStringLiteral("exportButton"));
    m_exportMenu = new QMenu(this);
    m_exportMenu->setObjectName(QStringLiteral("exportMenu"));
    m_exportMenu->addAction(L("Imagem única (PNG)…"), this, [this] { TutorialExporter::exportImage(m_store); });
    m_exportMenu->addAction(L("PDF, um passo por página…"), this, [this] { TutorialExporter::exportPDF(m_store); });
    m_exportMenu->addAction(L("Markdown + imagens (Notion, GitHub, docs)…"), this,
                            [this] { TutorialExporter::exportMarkdown(m_store); });
    m_exportMenu->addSeparator();
    m_exportMenu->addAction(L("Copiar como imagem"), this, [this] { TutorialExporter::copyImage(m_store); });
    connect(m_export, &QPushButton::clicked, this,
            [this] { m_exportMenu->popup(m_export->mapToGlobal(QPoint(0, m_export->height() + 4))); });

    m_copy = new ToolbarButton(L("Copiar guia"), true, this);
    m_copy->setObjectName(QStringLiteral("copyButton"));
    m_copy->setSymbol(QStringLiteral("doc.on.doc"));
    m_copy->setToolTip(L("Copia o guia inteiro como uma imagem"));
    connect(m_copy, &QPushButton::clicked, this, [this] { TutorialExporter::copyImage(m_store); });

    m_delete = new ToolbarButton(QString(), false, this);
    m_delete->setObjectName(QStringLiteral("deleteButton"));
    m_delete->setSymbol(QStringLiteral("trash"));
    m_delete->setToolTip(L("Excluir este tutorial"));
    m_delete->setAccessibleName(L("Excluir este tutorial"));
    connect(m_delete, &QPushButton::clicked, this, &TutorialDetailHeader::confirmDelete);
}

QSize TutorialDetailHeader::minimumSizeHint() const {
    return {2 * kSide + m_back->sizeHint().width() + kGap + kTitleRoom + kGap + m_delete->sizeHint().width(),
            oneRowHeight};
}

// One row while the title keeps a fair room beside every button; else the record button and the guide's
// buttons go to a second row below the title, and every button keeps its whole text.
void TutorialDetailHeader::layOut() {
    QList<QWidget *> actions;
    for (QWidget *action :
         {static_cast<QWidget *>(m_record), m_themes, static_cast<QWidget *>(m_export), static_cast<QWidget *>(m_copy)})
        if (!action->isHidden()) actions.append(action);
    int actionsWidth = 0;
    for (QWidget *action : std::as_const(actions)) actionsWidth += action->sizeHint().width() + kGap;
    const int back = m_back->sizeHint().width(), remove = m_delete->sizeHint().width();
    const int titleRoom = std::max(kTitleRoom, QFontMetrics(m_summary->font()).horizontalAdvance(m_summary->text()));
    const bool wrapped = 2 * kSide + back + kGap + titleRoom + kGap + actionsWidth + remove > width();
    const int firstRow = wrapped ? titleRowHeight : oneRowHeight;
    const int rows = wrapped ? titleRowHeight + actionsRowHeight : oneRowHeight;
    if (maximumHeight() != rows) setFixedHeight(rows);

    const auto place = [](QWidget *widget, int x, int top, int rowHeight) {
        const QSize size = widget->sizeHint();
        widget->setGeometry(x, top + (rowHeight - size.height()) / 2, size.width(), size.height());
        return x + size.width();
    };
    place(m_back, kSide, 0, firstRow);
    int right = width() - kSide - remove;
    place(m_delete, right, 0, firstRow);
    right -= kGap;
    int x = wrapped ? kSide : right - actionsWidth + kGap;
    for (QWidget *action : std::as_const(actions))
        x = place(action, x, wrapped ? titleRowHeight - 4 : 0, wrapped ? actionsRowHeight : firstRow) + kGap;
    if (!wrapped) right -= actionsWidth;

    const int left = kSide + back + kGap;
    const int fieldHeight = m_title->sizeHint().height(), summaryHeight = m_summary->sizeHint().height();
    const int top = (firstRow - (fieldHeight + 2 + summaryHeight)) / 2;
    m_title->setGeometry(left, top, std::max(0, right - left), fieldHeight);
    m_summary->setGeometry(left, top + fieldHeight + 2, std::max(0, right - left), summaryHeight);
}

void TutorialDetailHeader::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    layOut();
}

QWidget *TutorialDetailHeader::makeThemePicker() {
    auto *tray = new RoundedPanel(Theme::raised(), 9, this);
    tray->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    tray->setToolTip(L("Tema do guia exportado"));
    auto *row = new QHBoxLayout(tray);
    row->setContentsMargins(3, 3, 3, 3);
    row->setSpacing(4);
    ChipButton::Look look;
    look.inset = 10;
    look.height = 26;
    look.radius = 6;
    for (TutorialTheme theme : allTutorialThemes) {
        auto *option = new ChipButton(QString(), label(theme), look, tray);
        option->setObjectName(QStringLiteral("theme:") + rawValue(theme));
        connect(option, &QPushButton::clicked, this, [this, theme] { chooseTheme(theme); });
        row->addWidget(option);
        m_themeButtons.append(option);
    }
    return tray;
}

void TutorialDetailHeader::chooseTheme(TutorialTheme theme) {
    Tutorial edited = m_store.tutorial();
    edited.theme = theme;
    m_store.setTutorial(edited);
}

void TutorialDetailHeader::refresh() {
    const Tutorial tutorial = m_store.tutorial();
    const bool recording = m_store.isRecording();
    const qsizetype steps = tutorial.steps.size();
    m_back->setEnabled(!recording);
    m_back->setToolTip(recording ? L("Conclua a gravação primeiro") : L("Voltar para todos os tutoriais"));
    if (m_title->text() != tutorial.title) m_title->setText(tutorial.title);
    m_summary->setText(TutorialTexts::summary(steps, recording));
    m_record->setText(recording ? L("Parar gravação") : steps > 0 ? L("Gravar mais passos") : L("Começar a gravar"));
    m_record->setShortcutText(TutorialTexts::toggleKeys(m_shortcuts));

    for (QWidget *withSteps : {m_themes, static_cast<QWidget *>(m_export), static_cast<QWidget *>(m_copy)})
        withSteps->setVisible(steps > 0);
    for (qsizetype i = 0; i < m_themeButtons.size(); ++i) {
        const TutorialTheme theme = allTutorialThemes[static_cast<size_t>(i)];
        auto *option = static_cast<ChipButton *>(m_themeButtons[i]);
        option->setVisible(theme != TutorialTheme::brand || m_brand.isConfigured() ||
                           tutorial.theme == TutorialTheme::brand);
        const bool selected = theme == tutorial.theme;
        option->setColors(selected ? Theme::rgb(0x2C2C37) : QColor(Qt::transparent),
                          selected ? Theme::text() : Theme::text2());
    }
    layOut();
}

void TutorialDetailHeader::confirmDelete() {
    const Tutorial tutorial = m_store.tutorial();
    const int answer = platform::AlertPresenter::shared().run(
        {L(LKey(QStringLiteral("Excluir “%@”?"), {tutorial.title})),
         L("Os passos e as imagens deste tutorial serão apagados. Exporte antes se quiser guardar."),
         {L("Excluir"), L("Cancelar")},
         1});
    if (answer == 0) m_store.delete_(tutorial.id);
}

void TutorialDetailHeader::paintEvent(QPaintEvent *) { QPainter(this).fillRect(rect(), Theme::panel()); }
