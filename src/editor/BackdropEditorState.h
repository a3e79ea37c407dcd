#pragma once

#include "core/Backdrop.h"

#include <QList>
#include <QObject>
#include <QPointF>
#include <QSizeF>

#include <array>
#include <functional>

class QRandomGenerator;

// What the backdrop editor sheet edits: its own working copy of one backdrop and the index of the
// selected colour, with every operation of the sheet's controls. The host sees the result only through
// `savedBackdrop()`. The selection may point past the colours (after a kind change or a removal);
// every reader checks it. Main thread only.
class BackdropEditorState : public QObject {
    Q_OBJECT
public:
    explicit BackdropEditorState(Backdrop backdrop, QObject *parent = nullptr);

    // The kinds the kind picker offers: solid, linear, mesh (transparent has no segment).
    static const std::array<Backdrop::Kind, 3> &editableKinds();
    // The eight built-in three-colour palettes.
    static const QList<QList<quint32>> &palettes();
    // The linear directions offered as buttons, in degrees.
    static const std::array<int, 4> &directionPresets();

    const Backdrop &backdrop() const { return m_backdrop; }
    int selectedColor() const { return m_selected; }
    bool hasSelection() const { return m_selected >= 0 && m_selected < m_backdrop.colors.size(); }
    bool canAddColor() const;
    bool canRemoveColor() const;

    // "Linear · 3 cores", "Sólido · 1 cor".
    QString summary() const;
    // The angle as a whole number of degrees, "135°" (cut towards zero, bounded for any stored value).
    QString angleText() const;

    void setName(const QString &name);
    // Switches the kind (also to the current one) and keeps the selection on a colour.
    void setKind(Backdrop::Kind kind);
    void selectColor(int index);
    // Adds a colour within the kind's maximum and selects it.
    void addColor();
    // Removes the selected colour within the kind's minimum; the selection stays, or moves to the
    // new last colour.
    void removeSelectedColor();
    // The colour at `index`, 0 outside the colours; writing outside them changes nothing.
    quint32 colorAt(int index) const;
    void setColorAt(int index, quint32 color);
    void setAngle(double degrees);
    // Spreads a palette over the colours within the kind's limits, repeating it when short; an empty
    // palette leaves the colours as they are. Selects the first colour.
    void apply(const QList<quint32> &palette);
    // New harmonious colours (and angle or points by kind); selects the first colour.
    void randomize();
    void randomize(QRandomGenerator &random);
    // Moves mesh point `index` to `location` on a stage of `stage` size, clamped to the stage, and
    // selects its colour; nothing for an index that is not a point.
    void moveMeshPoint(int index, QPointF location, QSizeF stage);

    // The working copy as the host stores it: the name trimmed, a blank one "Meu fundo".
    Backdrop savedBackdrop() const;

signals:
    // Before a change the sheet eases in (a kind, a colour added or removed, a palette, a surprise),
    // with the length of that easing in milliseconds; drags, the dial and typing change at once.
    void aboutToAnimate(int milliseconds);
    void backdropChanged();
    void selectedColorChanged(int index);

private:
    // Applies a change to the working copy; a positive easing announces it first.
    void edit(const std::function<void(Backdrop &)> &change, int easing = 0);

    Backdrop m_backdrop;
    int m_selected = 0;
};
