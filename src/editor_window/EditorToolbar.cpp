#include "editor_window/EditorToolbar.h"

#include "core/ColorValue.h"
#include "core/Localization.h"
#include "editor/EditorDocument.h"
#include "editor/EditorPageState.h"
#include "widgets/Icons.h"
#include "widgets/KeptPicture.h"
#include "widgets/Theme.h"
#include "widgets/ThemedLabel.h"
#include "widgets/ToolbarButton.h"

#include <QAbstractButton>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace {

struct ToolLook {
    const char *symbol;
    const char *key;
};

ToolLook lookOf(EditorTool tool) {
    switch (tool) {
    case EditorTool::preview: return {"eye", "P"};
    case EditorTool::select: return {"cursorarrow", "V"};
    case EditorTool::arrow: return {"arrow.up.right", "A"};
    case EditorTool::rectangle: return {"rectangle", "R"};
    case EditorTool::highlight: return {"highlighter", "H"};
    case EditorTool::text: return {"textformat", "T"};
    case EditorTool::blur: return {"eye.slash", "B"};
    case EditorTool::crop: return {"crop", "C"};
    }
    return {"eye", "P"};
}

const char *thicknessName(Annotation::Thickness t) {
    switch (t) {
    case Annotation::Thickness::thin: return "Fino";
    case Annotation::Thickness::medium: return "Médio";
    case Annotation::Thickness::thick: return "Grosso";
    }
    return "Médio";
}

// A one-line label that ends in "…" where it has less room than its text.
class ElidedLabel final : public PlainLabel {
public:
    using PlainLabel::PlainLabel;
    QSize minimumSizeHint() const override { return {0, QLabel::minimumSizeHint().height()}; }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter p(this);
        p.setPen(palette().color(QPalette::WindowText));
        drawLaidOutLine(p, rect(), Qt::AlignLeft | Qt::AlignVCenter, text(), true);
    }
};

// A rounded panel behind a group of buttons: filled raised, outlined with a hairline.
class Panel : public QWidget {
public:
    Panel(qreal radius, QWidget *parent = nullptr) : QWidget(parent), m_radius(radius) {}

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        drawPlate(p, rect(), m_radius, Theme::raised(), Theme::line());
    }

private:
    qreal m_radius;
};

// A button that draws itself whole; clicks land anywhere in its rectangle.
class DrawnToolButton : public QAbstractButton {
public:
    DrawnToolButton(QSize size, std::function<void(QPainter &, const QRectF &)> paint, QWidget *parent = nullptr)
        : QAbstractButton(parent), m_paint(std::move(paint)) {
        setFixedSize(size);
        setFocusPolicy(Qt::NoFocus);
        setCursor(Qt::PointingHandCursor);
    }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter p(this);
        p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
        m_paint(p, QRectF(rect()));
    }

private:
    std::function<void(QPainter &, const QRectF &)> m_paint;
};

} // namespace

EditorToolbar::EditorToolbar(EditorDocument *document, EditorPageState *page, QWidget *parent)
    : QWidget(parent), m_document(document), m_page(page) {
    setObjectName(QStringLiteral("editorToolbar"));
    setFixedHeight(height);
    m_group = toolGroup();
    rebuildOptions();
    // One rebuild per turn of the event loop, however many properties a model operation changes.
    auto queue = [this] {
        if (m_rebuildQueued) return;
        m_rebuildQueued = true;
        QTimer::singleShot(0, this, [this] {
            m_rebuildQueued = false;
            rebuildOptions();
        });
    };
    for (auto signal :
         {&EditorDocument::toolChanged, &EditorDocument::selectedIDChanged, &EditorDocument::annotationsChanged,
          &EditorDocument::annotationColorChanged, &EditorDocument::thicknessChanged, &EditorDocument::cropChanged})
        connect(document, signal, this, queue);
    connect(page, &EditorPageState::isDetectingSensitiveChanged, this, queue);
    connect(document, &EditorDocument::toolChanged, this, qOverload<>(&QWidget::update));
}

quint32 EditorToolbar::currentColor() const {
    if (const std::optional<Annotation> selected = m_document->selectedAnnotation()) return selected->color;
    return m_document->annotationColor();
}

QWidget *EditorToolbar::toolGroup() {
    auto *group = new Panel(10, this);
    group->setObjectName(QStringLiteral("toolGroup"));
    auto *layout = new QHBoxLayout(group);
    layout->setContentsMargins(3, 3, 3, 3);
    layout->setSpacing(2);
    for (EditorTool tool : EditorTools::all) {
        m_tools.append(toolButton(tool));
        layout->addWidget(m_tools.last());
        if (tool != EditorTool::select) continue;
        auto *separator = new QWidget(group);
        separator->setFixedSize(1, 26);
        separator->setAutoFillBackground(true);
        QPalette palette = separator->palette();
        palette.setColor(QPalette::Window, Theme::line());
        separator->setPalette(palette);
        layout->addSpacing(3);
        layout->addWidget(separator);
        layout->addSpacing(3);
    }
    return group;
}

QWidget *EditorToolbar::toolButton(EditorTool tool) {
    const ToolLook look = lookOf(tool);
    auto *button = new DrawnToolButton(QSize(toolWidth, 40), [this, tool, look](QPainter &p, const QRectF &r) {
        const bool on = m_document && m_document->tool() == tool;
        // A kept plate: its translucent fill drawn afresh would be sliced across Qt's thread pool.
        if (on) drawPlate(p, r.toRect(), 7, Theme::accentSoft(), Theme::accentLine());
        const QColor color = on ? Theme::text() : Theme::text2();
        const QPixmap symbol =
            Icons::pixmap(QString::fromLatin1(look.symbol), 16, color, p.device()->devicePixelRatioF());
        const QFont titleFont = Theme::font(10);
        const double titleHeight = QFontMetricsF(titleFont).height();
        const double top = r.center().y() - (16 + 2 + titleHeight) / 2;
        p.drawPixmap(QPointF(r.center().x() - 8, top), symbol);
        p.setFont(titleFont);
        p.setPen(color);
        p.drawText(QRectF(r.left(), top + 18, r.width(), titleHeight), Qt::AlignCenter, EditorTools::title(tool));
    });
    button->setObjectName(QStringLiteral("tool_") + EditorTools::rawValue(tool));
    button->setToolTip(L(LKey(QStringLiteral("%@ — %@ · tecla %@"),
                              {EditorTools::title(tool), EditorTools::detail(tool), QString::fromLatin1(look.key)})));
    auto label = [this, button, tool] {
        button->setAccessibleName(m_document && m_document->tool() == tool
                                      ? L(LKey(QStringLiteral("%@, selecionada"), {EditorTools::title(tool)}))
                                      : EditorTools::title(tool));
        button->update();
    };
    label();
    connect(m_document.data(), &EditorDocument::toolChanged, button, label);
    connect(button, &QAbstractButton::clicked, this, [this, tool] {
        if (m_document) m_document->setTool(tool);
    });
    return button;
}

void EditorToolbar::rebuildOptions() {
    if (!m_document) return;
    if (m_options) {
        m_options->hide();
        m_options->deleteLater();
    }
    m_options = options();
    m_options->setObjectName(QStringLiteral("toolbarOptions"));
    m_options->show();
    layOut();
}

// The tool group: 3 around, 2 between its items, and the divider (an item too) with 3 more either side.
int EditorToolbar::groupWidth(int buttonWidth) const {
    const int buttons = int(m_tools.size());
    return 2 * 3 + buttons * buttonWidth + buttons * 2 + (3 + 1 + 3);
}

// As narrow as a tool may get: its widest title with a little air either side.
int EditorToolbar::narrowestToolWidth() const {
    const QFontMetricsF metrics(Theme::font(10));
    double widest = 0;
    for (EditorTool tool : EditorTools::all)
        widest = std::max(widest, metrics.horizontalAdvance(EditorTools::title(tool)));
    return std::min(toolWidth, int(std::ceil(widest)) + 6);
}

// The widest options row any tool may show. The rows are made once to be measured, so that every
// width they take is the one their layouts give them.
int EditorToolbar::widestOptions() {
    if (m_widestOptions >= 0 || !m_document) return std::max(m_widestOptions, 0);
    const QList<QWidget *> rows{hint("Escolha uma ferramenta para anotar · as marcas entram no print final"),
                                hint("Clique numa anotação para mover · arraste as alças para redimensionar"),
                                selectRow(false),
                                row(12, {colorDots(), thicknessPicker()}),
                                blurRow(false),
                                blurRow(true),
                                cropRow(true)};
    m_widestOptions = 0;
    for (QWidget *candidate : rows) {
        m_widestOptions = std::max(m_widestOptions, candidate->sizeHint().width());
        delete candidate;
    }
    return m_widestOptions;
}

QSize EditorToolbar::sizeHint() const {
    const int widest = m_widestOptions >= 0 ? m_widestOptions : 0;
    return {16 + groupWidth(toolWidth) + 20 + widest + 16, height};
}

QSize EditorToolbar::minimumSizeHint() const { return {16 + groupWidth(narrowestToolWidth()) + 16, height}; }

void EditorToolbar::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    layOut();
}

void EditorToolbar::layOut() {
    if (!m_group || !m_options) return;
    constexpr int side = 16, gap = 12 + 8;
    const int inner = width() - 2 * side;
    // The tools keep their width while they fit; below that they narrow down to their titles.
    int tool = toolWidth;
    if (groupWidth(tool) > inner) {
        const int buttons = int(m_tools.size());
        tool = std::max(narrowestToolWidth(), (inner - groupWidth(0)) / std::max(buttons, 1));
    }
    for (QWidget *button : std::as_const(m_tools))
        if (button->width() != tool) button->setFixedWidth(tool);
    const QSize group(groupWidth(tool), 46);
    m_group->setGeometry(side, (height - group.height()) / 2, group.width(), group.height());

    const bool wrapped = side + group.width() + gap + widestOptions() + side > width();
    const int rows = wrapped ? height + optionsRowHeight : height;
    if (m_wrapped != wrapped || maximumHeight() != rows) {
        m_wrapped = wrapped;
        setFixedHeight(rows);
    }
    const QSize wanted = m_options->sizeHint();
    if (wrapped) {
        // Below the tools, starting where their buttons start.
        const int left = side + 3;
        const int w = std::min(wanted.width(), width() - left - side);
        m_options->setGeometry(left, height - 4 + (optionsRowHeight - wanted.height()) / 2, w, wanted.height());
    } else {
        const int room = width() - side - (side + group.width() + gap);
        const int w = std::min(wanted.width(), room);
        m_options->setGeometry(width() - side - w, (height - wanted.height()) / 2, w, wanted.height());
    }
}

QWidget *EditorToolbar::row(int spacing, const QList<QWidget *> &items) {
    auto *box = new QWidget(this);
    auto *layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    for (QWidget *item : items) layout->addWidget(item, 0, Qt::AlignVCenter);
    return box;
}

QWidget *EditorToolbar::options() {
    switch (m_document->tool()) {
    case EditorTool::preview: return hint("Escolha uma ferramenta para anotar · as marcas entram no print final");
    case EditorTool::select: {
        const std::optional<Annotation> selected = m_document->selectedAnnotation();
        if (!selected) return hint("Clique numa anotação para mover · arraste as alças para redimensionar");
        return selectRow(selected->kind.type == Annotation::Kind::blur);
    }
    case EditorTool::blur: return blurRow(m_page && m_page->isDetectingSensitive());
    case EditorTool::crop: return cropRow(m_document->crop().has_value());
    default: return row(12, {colorDots(), thicknessPicker()});
    }
}

QWidget *EditorToolbar::selectRow(bool blurSelected) {
    auto *remove = new ToolbarButton(L("Apagar"), false);
    remove->setObjectName(QStringLiteral("deleteButton"));
    remove->setSymbol(QStringLiteral("trash"));
    remove->setToolTip(L("Apaga a anotação selecionada · ⌫"));
    connect(remove, &QAbstractButton::clicked, m_document.data(), &EditorDocument::deleteSelected);
    if (blurSelected) return row(12, {remove});
    return row(12, {colorDots(), remove});
}

QWidget *EditorToolbar::blurRow(bool busy) {
    auto *search = new ToolbarButton({}, true);
    search->setObjectName(QStringLiteral("sensitiveButton"));
    search->setText(busy ? L("Procurando…") : L("Esconder dados sensíveis"));
    search->setBusy(busy);
    search->setSymbol(QStringLiteral("wand.and.stars"));
    search->setEnabled(!busy);
    search->setToolTip(L("Encontra e esconde e-mails, telefones, CPF/CNPJ, cartões e chaves de API"));
    connect(search, &QAbstractButton::clicked, this, &EditorToolbar::sensitiveSearchRequested);
    return row(10, {hint("Arraste sobre o que quer esconder"), search});
}

QWidget *EditorToolbar::cropRow(bool cropped) {
    QList<QWidget *> items;
    if (cropped) {
        auto *uncrop = new ToolbarButton(L("Remover recorte"), false);
        uncrop->setObjectName(QStringLiteral("removeCropButton"));
        uncrop->setSymbol(QStringLiteral("arrow.uturn.backward"));
        connect(uncrop, &QAbstractButton::clicked, this, [this] {
            if (m_document) m_document->setCrop(std::nullopt);
        });
        items.append(uncrop);
    }
    auto *apply = new ToolbarButton(L("Aplicar"), true);
    apply->setObjectName(QStringLiteral("applyCropButton"));
    apply->setSymbol(QStringLiteral("checkmark"));
    apply->setToolTip(L("Aplica o recorte e volta à prévia · ↵"));
    connect(apply, &QAbstractButton::clicked, this, [this] {
        if (m_document) m_document->setTool(EditorTool::preview);
    });
    items.append(apply);
    return row(10, items);
}

QWidget *EditorToolbar::hint(const char *key) {
    auto *label = new ElidedLabel(L(key), this);
    label->setObjectName(QStringLiteral("toolbarHint"));
    label->setFont(Theme::font(12));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Theme::text3());
    label->setPalette(palette);
    return label;
}

QWidget *EditorToolbar::colorDots() {
    QList<QWidget *> dots;
    const quint32 current = currentColor();
    for (const Annotation::PaletteEntry &entry : Annotation::palette) {
        const quint32 color = entry.color;
        const bool marked = color == current;
        auto *dot = new DrawnToolButton(QSize(22, 22), [color, marked](QPainter &p, const QRectF &r) {
            const QRectF inner = r.adjusted(2, 2, -2, -2);
            p.setPen(QPen(QColor(255, 255, 255, qRound(0.25 * 255)), 1));
            p.setBrush(colorFromHex(color));
            p.drawEllipse(inner.adjusted(0.5, 0.5, -0.5, -0.5));
            if (!marked) return;
            p.setPen(QPen(QColor(237, 231, 250), 2));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(r.adjusted(1, 1, -1, -1));
        });
        const QString name = L(entry.nameKey);
        dot->setToolTip(name);
        dot->setAccessibleName(L(LKey(QStringLiteral("Cor %@"), {name})));
        dot->setCheckable(true);
        dot->setChecked(marked);
        connect(dot, &QAbstractButton::clicked, this, [this, color] {
            if (m_document) m_document->setAnnotationColor(color);
        });
        dots.append(dot);
    }
    QWidget *box = row(6, dots);
    box->setObjectName(QStringLiteral("colorDots"));
    return box;
}

QWidget *EditorToolbar::thicknessPicker() {
    auto *panel = new Panel(8, this);
    panel->setObjectName(QStringLiteral("thicknessPicker"));
    auto *layout = new QHBoxLayout(panel);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    int position = 0;
    for (Annotation::Thickness t : Annotation::allThicknesses) {
        const bool marked = m_document->thickness() == t;
        const double bar = 2 * position++ + 3;
        auto *button = new DrawnToolButton(QSize(30, 26), [marked, bar](QPainter &p, const QRectF &r) {
            if (marked) p.fillPath(Theme::continuousRoundedRect(r, 6), QColor(44, 44, 55));
            const QRectF capsule(r.center().x() - 8, r.center().y() - bar / 2, 16, bar);
            p.setPen(Qt::NoPen);
            p.setBrush(marked ? Theme::text() : Theme::text3());
            p.drawRoundedRect(capsule, bar / 2, bar / 2);
        });
        button->setToolTip(L(LKey(QStringLiteral("Traço %@"), {L(thicknessName(t)).toLower()})));
        button->setAccessibleName(button->toolTip());
        button->setCheckable(true);
        button->setChecked(marked);
        connect(button, &QAbstractButton::clicked, this, [this, t] {
            if (m_document) m_document->setThickness(t);
        });
        layout->addWidget(button);
    }
    return panel;
}
