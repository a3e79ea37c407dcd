#include "editor_window/BackdropEditorSections.h"

#include "core/Localization.h"
#include "editor/BackdropEditorState.h"
#include "editor_window/AngleDial.h"
#include "editor_window/HexField.h"
#include "widgets/Icons.h"
#include "widgets/SectionLabel.h"
#include "widgets/ThemedLabel.h"
#include "widgets/ToolbarButton.h"
#include "widgets/Theme.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include <array>

namespace {

const std::array<const char *, 4> kPresetSymbols{"arrow.right", "arrow.down.right", "arrow.down", "arrow.down.left"};

void paintSymbol(QPainter &p, const QWidget &w, const QString &name, int size, const QColor &color) {
    p.drawPixmap((w.width() - size) / 2, (w.height() - size) / 2,
                 Icons::pixmap(name, size, color, w.devicePixelRatioF()));
}

QVBoxLayout *sectionColumn(QWidget *section, const QString &heading) {
    auto *column = new QVBoxLayout(section);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);
    if (!heading.isEmpty()) column->addWidget(new SectionLabel(heading, section));
    return column;
}

} // namespace

PaintedButton::PaintedButton(QSize size, Painter painter, QWidget *parent)
    : QAbstractButton(parent), m_size(size), m_painter(std::move(painter)) {
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
}

void PaintedButton::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (isDown()) p.setOpacity(0.8);
    m_painter(p, *this);
}

BackdropColorsSection::BackdropColorsSection(BackdropEditorState &state, QWidget *parent)
    : QWidget(parent), m_state(state) {
    QVBoxLayout *column = sectionColumn(this, L("Cores"));
    m_swatchRow = new QHBoxLayout;
    m_swatchRow->setSpacing(10);
    m_add = new PaintedButton(
        {36, 36},
        [](QPainter &p, const PaintedButton &b) {
            QPen dashed(QColor(255, 255, 255, qRound(255 * 0.25)), 1);
            dashed.setDashPattern({3, 3});
            p.setPen(dashed);
            p.drawEllipse(QRectF(3.5, 3.5, 29, 29));
            paintSymbol(p, b, QStringLiteral("plus"), 12, Theme::text2());
        },
        this);
    m_add->setToolTip(L("Adicionar cor"));
    m_add->setAccessibleName(L("Adicionar cor"));
    connect(m_add, &QAbstractButton::clicked, &state, &BackdropEditorState::addColor);
    m_swatchRow->addWidget(m_add);
    m_swatchRow->addStretch(1);
    column->addLayout(m_swatchRow);

    m_selectedRow = new QWidget(this);
    auto *row = new QHBoxLayout(m_selectedRow);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    m_hex = new HexField(state.colorAt(state.selectedColor()), m_selectedRow);
    connect(m_hex, &HexField::valueEdited, this, [this](quint32 v) { m_state.setColorAt(m_state.selectedColor(), v); });
    auto *palette = new ToolbarButton(L("Paleta"), false, m_selectedRow);
    palette->setSymbol(QStringLiteral("eyedropper"));
    palette->setToolTip(L("Abre a paleta de cores do macOS (com conta-gotas)"));
    palette->setAutoDefault(false);
    connect(palette, &QAbstractButton::clicked, this, &BackdropColorsSection::paletteRequested);
    m_remove = new PaintedButton(
        {28, 28},
        [](QPainter &p, const PaintedButton &b) { paintSymbol(p, b, QStringLiteral("trash"), 12, Theme::text3()); },
        m_selectedRow);
    m_remove->setToolTip(L("Remover esta cor"));
    m_remove->setAccessibleName(L("Remover esta cor"));
    connect(m_remove, &QAbstractButton::clicked, &state, &BackdropEditorState::removeSelectedColor);
    row->addWidget(m_hex);
    row->addWidget(palette);
    row->addStretch(1);
    row->addWidget(m_remove);
    column->addWidget(m_selectedRow);

    connect(&state, &BackdropEditorState::backdropChanged, this, &BackdropColorsSection::sync);
    connect(&state, &BackdropEditorState::selectedColorChanged, this, &BackdropColorsSection::sync);
    sync();
}

void BackdropColorsSection::rebuildSwatches() {
    while (m_swatches.size() > m_state.backdrop().colors.size()) delete m_swatches.takeLast();
    while (m_swatches.size() < m_state.backdrop().colors.size()) {
        const int index = int(m_swatches.size());
        auto *swatch = new PaintedButton(
            {36, 36},
            [this, index](QPainter &p, const PaintedButton &) {
                const QColor fill = Theme::rgb(m_state.colorAt(index) & 0xFFFFFF);
                p.setPen(QPen(QColor(255, 255, 255, qRound(255 * 0.18)), 1));
                p.setBrush(fill);
                p.drawEllipse(QRectF(3.5, 3.5, 29, 29));
                if (index != m_state.selectedColor()) return;
                p.setPen(QPen(QColor(237, 231, 250), 2));
                p.setBrush(Qt::NoBrush);
                p.drawEllipse(QRectF(1, 1, 34, 34));
            },
            this);
        swatch->setToolTip(L(LKey(QStringLiteral("Cor %@"), {QString::number(index + 1)})));
        connect(swatch, &QAbstractButton::clicked, this, [this, index] { m_state.selectColor(index); });
        m_swatchRow->insertWidget(index, swatch);
        m_swatches.append(swatch);
    }
}

void BackdropColorsSection::sync() {
    rebuildSwatches();
    const int selected = m_state.selectedColor();
    for (int i = 0; i < m_swatches.size(); ++i) {
        const QString number = QString::number(i + 1);
        m_swatches[i]->setAccessibleName(i == selected ? L(LKey(QStringLiteral("Cor %@, selecionada"), {number}))
                                                       : L(LKey(QStringLiteral("Cor %@"), {number})));
        m_swatches[i]->update();
    }
    // Absent, not disabled, outside the kind's limits.
    m_add->setVisible(m_state.canAddColor());
    m_remove->setVisible(m_state.canRemoveColor());
    m_selectedRow->setVisible(m_state.hasSelection());
    m_hex->setValue(m_state.colorAt(selected));
}

BackdropDirectionSection::BackdropDirectionSection(BackdropEditorState &state, QWidget *parent)
    : QWidget(parent), m_state(state) {
    QVBoxLayout *column = sectionColumn(this, {});
    auto *header = new QHBoxLayout;
    header->addWidget(new SectionLabel(L("Direção"), this));
    header->addStretch(1);
    m_angle = themedLabel({}, Theme::monospaceFont(12), QColor(200, 200, 210), this);
    header->addWidget(m_angle);
    column->addLayout(header);

    auto *row = new QHBoxLayout;
    row->setSpacing(14);
    m_dial = new AngleDial(this);
    connect(m_dial, &AngleDial::angleEdited, &state, &BackdropEditorState::setAngle);
    row->addWidget(m_dial);
    auto *choices = new QVBoxLayout;
    choices->setSpacing(6);
    choices->addWidget(themedLabel(L("Gire o disco ou escolha:"), Theme::font(11), Theme::text3(), this));
    auto *presets = new QHBoxLayout;
    presets->setSpacing(6);
    for (size_t i = 0; i < kPresetSymbols.size(); ++i) {
        const int angle = BackdropEditorState::directionPresets()[i];
        const QString symbol = QString::fromLatin1(kPresetSymbols[i]);
        auto *preset = new PaintedButton(
            {28, 28},
            [this, angle, symbol](QPainter &p, const PaintedButton &b) {
                const bool on = m_state.backdrop().angle == angle;
                p.fillPath(Theme::continuousRoundedRect(QRectF(b.rect()), 7),
                           on ? Theme::accentSoft() : Theme::raised());
                paintSymbol(p, b, symbol, 11, on ? Theme::text() : Theme::text3());
            },
            this);
        preset->setToolTip(QString::number(angle) + QStringLiteral("°"));
        preset->setAccessibleName(preset->toolTip());
        connect(preset, &QAbstractButton::clicked, this, [this, angle] { m_state.setAngle(angle); });
        presets->addWidget(preset);
        m_presets.append(preset);
    }
    presets->addStretch(1);
    choices->addLayout(presets);
    row->addLayout(choices, 1);
    column->addLayout(row);

    connect(&state, &BackdropEditorState::backdropChanged, this, &BackdropDirectionSection::sync);
    sync();
}

void BackdropDirectionSection::sync() {
    m_angle->setText(m_state.angleText());
    m_dial->setAngle(m_state.backdrop().angle);
    for (PaintedButton *preset : m_presets) preset->update();
}

BackdropPalettesSection::BackdropPalettesSection(BackdropEditorState &state,
                                                 const std::optional<QList<quint32>> &brandPalette, QWidget *parent)
    : QWidget(parent) {
    QVBoxLayout *column =
        sectionColumn(this, brandPalette ? L("Paletas (a primeira é a da marca)") : L("Paletas prontas"));
    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(8);
    QList<QList<quint32>> all = BackdropEditorState::palettes();
    if (brandPalette) all.prepend(*brandPalette);
    for (qsizetype i = 0; i < all.size(); ++i) {
        const QList<quint32> palette = all[i];
        auto *button = new PaintedButton(
            {60, 22},
            [palette](QPainter &p, const PaintedButton &b) {
                const QRectF r = QRectF(b.rect()).adjusted(0.5, 0.5, -0.5, -0.5);
                const QPainterPath shape = Theme::continuousRoundedRect(r, 6);
                p.save();
                p.setClipPath(shape);
                const qreal w = r.width() / qreal(std::max<qsizetype>(palette.size(), 1));
                for (qsizetype j = 0; j < palette.size(); ++j)
                    p.fillRect(QRectF(r.left() + j * w, r.top(), w + 0.5, r.height()),
                               Theme::rgb(palette[j] & 0xFFFFFF));
                p.restore();
                p.setPen(QPen(QColor(255, 255, 255, qRound(255 * 0.12)), 1));
                p.drawPath(shape);
            },
            this);
        button->setMinimumWidth(10);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        button->setToolTip(L("Usar esta paleta"));
        button->setAccessibleName(L("Usar esta paleta"));
        connect(button, &QAbstractButton::clicked, &state, [&state, palette] { state.apply(palette); });
        grid->addWidget(button, int(i / 4), int(i % 4));
    }
    column->addLayout(grid);
}
