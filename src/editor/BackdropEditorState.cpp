#include "editor/BackdropEditorState.h"

#include "core/Localization.h"
#include "core/WholeNumber.h"

#include <QRandomGenerator>

#include <algorithm>

BackdropEditorState::BackdropEditorState(Backdrop backdrop, QObject *parent)
    : QObject(parent), m_backdrop(std::move(backdrop)) {}

const std::array<Backdrop::Kind, 3> &BackdropEditorState::editableKinds() {
    static constexpr std::array<Backdrop::Kind, 3> kinds{Backdrop::Kind::solid, Backdrop::Kind::linear,
                                                         Backdrop::Kind::mesh};
    return kinds;
}

const QList<QList<quint32>> &BackdropEditorState::palettes() {
    static const QList<QList<quint32>> list{
        {0x5B4BD6, 0xF29BC4, 0x7FD6E8}, {0xF0A35E, 0xC4527A, 0x2B2F6B}, {0x0F2027, 0x2C5364, 0x7AC4C9},
        {0xFFD3A5, 0xFD6585, 0x8E54E9}, {0x11998E, 0x38EF7D, 0xE0F7C9}, {0xF6D365, 0xFDA085, 0xE56B8A},
        {0xE0EAFC, 0xCFDEF3, 0xA1B5E3}, {0x232526, 0x414345, 0x8E9EAB},
    };
    return list;
}

const std::array<int, 4> &BackdropEditorState::directionPresets() {
    static constexpr std::array<int, 4> angles{90, 135, 180, 225};
    return angles;
}

bool BackdropEditorState::canAddColor() const {
    return m_backdrop.colors.size() < Backdrop::maximumColors(m_backdrop.kind);
}

bool BackdropEditorState::canRemoveColor() const {
    return m_backdrop.colors.size() > Backdrop::minimumColors(m_backdrop.kind);
}

QString BackdropEditorState::summary() const {
    const QString name = Backdrop::kindName(m_backdrop.kind);
    const qsizetype n = m_backdrop.colors.size();
    if (n == 1) return L(LKey(QStringLiteral("%@ · 1 cor"), {name}));
    return L(LKey(QStringLiteral("%@ · %@ cores"), {name, QString::number(n)}));
}

QString BackdropEditorState::angleText() const {
    return QString::number(truncatedWhole(m_backdrop.angle)) + QStringLiteral("°");
}

void BackdropEditorState::edit(const std::function<void(Backdrop &)> &change, int easing) {
    Backdrop next = m_backdrop;
    change(next);
    if (next == m_backdrop) return;
    if (easing > 0) emit aboutToAnimate(easing);
    m_backdrop = std::move(next);
    emit backdropChanged();
}

void BackdropEditorState::setName(const QString &name) {
    edit([&](Backdrop &b) { b.name = name; });
}

void BackdropEditorState::setKind(Backdrop::Kind kind) {
    edit([&](Backdrop &b) { b.setKind(kind); }, 200);
    selectColor(std::min(m_selected, std::max(int(m_backdrop.colors.size()) - 1, 0)));
}

void BackdropEditorState::selectColor(int index) {
    if (index == m_selected) return;
    m_selected = index;
    emit selectedColorChanged(index);
}

void BackdropEditorState::addColor() {
    if (!canAddColor()) return;
    edit([](Backdrop &b) { b.addColor(); }, 200);
    selectColor(int(m_backdrop.colors.size()) - 1);
}

void BackdropEditorState::removeSelectedColor() {
    if (!canRemoveColor() || !hasSelection()) return;
    edit([&](Backdrop &b) { b.removeColor(m_selected); }, 200);
    selectColor(std::max(0, std::min(m_selected, int(m_backdrop.colors.size()) - 1)));
}

quint32 BackdropEditorState::colorAt(int index) const {
    return index >= 0 && index < m_backdrop.colors.size() ? m_backdrop.colors[index] : 0;
}

void BackdropEditorState::setColorAt(int index, quint32 color) {
    if (index < 0 || index >= m_backdrop.colors.size()) return;
    edit([&](Backdrop &b) { b.colors[index] = color & 0xFFFFFF; });
}

void BackdropEditorState::setAngle(double degrees) {
    edit([&](Backdrop &b) { b.angle = degrees; });
}

void BackdropEditorState::apply(const QList<quint32> &palette) {
    if (!palette.isEmpty()) {
        edit(
            [&](Backdrop &b) {
                const qsizetype n =
                    std::min<qsizetype>(std::max<qsizetype>(palette.size(), Backdrop::minimumColors(b.kind)),
                                        Backdrop::maximumColors(b.kind));
                QList<quint32> colors;
                for (qsizetype j = 0; j < n; ++j) colors.append(palette[j % palette.size()] & 0xFFFFFF);
                b.colors = colors;
                b.syncPoints();
            },
            250);
    }
    selectColor(0);
}

void BackdropEditorState::randomize() { randomize(*QRandomGenerator::global()); }

void BackdropEditorState::randomize(QRandomGenerator &random) {
    edit([&](Backdrop &b) { b.randomize(random); }, 250);
    selectColor(0);
}

void BackdropEditorState::moveMeshPoint(int index, QPointF location, QSizeF stage) {
    if (index < 0 || index >= m_backdrop.points.size()) return;
    selectColor(index);
    const auto unit = [](double at, double side) { return std::clamp(side > 1 ? at / side : at, 0.0, 1.0); };
    const MeshPoint point{unit(location.x(), stage.width()), unit(location.y(), stage.height())};
    edit([&](Backdrop &b) { b.points[index] = point; });
}

Backdrop BackdropEditorState::savedBackdrop() const {
    Backdrop saved = m_backdrop;
    const QString trimmed = saved.name.trimmed();
    saved.name = trimmed.isEmpty() ? L("Meu fundo") : trimmed;
    return saved;
}
