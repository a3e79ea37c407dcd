#pragma once

#include <QAbstractButton>
#include <QList>
#include <QWidget>

#include <functional>
#include <optional>

class AngleDial;
class BackdropEditorState;
class HexField;
class QGridLayout;
class QHBoxLayout;
class QLabel;

// A button that draws itself with a given function (swatches, palettes, presets): no chrome of its own.
class PaintedButton : public QAbstractButton {
    Q_OBJECT
public:
    using Painter = std::function<void(QPainter &, const PaintedButton &)>;
    PaintedButton(QSize size, Painter painter, QWidget *parent = nullptr);
    QSize sizeHint() const override { return m_size; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QSize m_size;
    Painter m_painter;
};

// "Cores": one swatch per colour, the add swatch while the kind allows one more, and the selected
// colour's row (hex field, "Paleta", remove while the kind allows one less).
class BackdropColorsSection : public QWidget {
    Q_OBJECT
public:
    explicit BackdropColorsSection(BackdropEditorState &state, QWidget *parent = nullptr);

signals:
    // "Paleta": open the colour panel on the selected colour.
    void paletteRequested();

private:
    void sync();
    void rebuildSwatches();

    BackdropEditorState &m_state;
    QHBoxLayout *m_swatchRow;
    QList<PaintedButton *> m_swatches;
    PaintedButton *m_add;
    QWidget *m_selectedRow;
    HexField *m_hex;
    QAbstractButton *m_remove;
};

// "Direção" of a linear backdrop: the angle as a whole number, the dial and four preset directions.
class BackdropDirectionSection : public QWidget {
    Q_OBJECT
public:
    explicit BackdropDirectionSection(BackdropEditorState &state, QWidget *parent = nullptr);

private:
    void sync();

    BackdropEditorState &m_state;
    QLabel *m_angle;
    AngleDial *m_dial;
    QList<PaintedButton *> m_presets;
};

// The ready palettes, the brand's first when given, four to a row; a click spreads one over the colours.
class BackdropPalettesSection : public QWidget {
    Q_OBJECT
public:
    BackdropPalettesSection(BackdropEditorState &state, const std::optional<QList<quint32>> &brandPalette,
                            QWidget *parent = nullptr);
};
