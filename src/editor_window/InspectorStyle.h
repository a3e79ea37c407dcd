#pragma once

#include "core/AspectRatio.h"
#include "editor_window/InspectorSectionKit.h"

#include <QWidget>

class QAbstractButton;
class QLabel;
class TintedSlider;
class ToggleRow;
template <typename T>
class Segmented;

// The margin: its heading, the number of points, minus and plus (8 points each), and a slider over
// 0…160 in steps of 8 that writes every step it reaches.
class PaddingSection : public QWidget {
    Q_OBJECT
public:
    PaddingSection(const InspectorContext &context, QWidget *parent = nullptr);
    // Readout and slider follow the model's style, writing nothing back.
    void sync();

private:
    const InspectorContext &m_context;
    QLabel *m_readout;
    QAbstractButton *m_minus;
    QAbstractButton *m_plus;
    TintedSlider *m_slider;
};

// Four switches: rounded corners, shadow and automatic centring of the open image's style, and the
// brand logo of the stored brand kit (available only while a logo is loaded).
class TogglesSection : public QWidget {
    Q_OBJECT
public:
    TogglesSection(const InspectorContext &context, QWidget *parent = nullptr);
    // The first three follow the model's style.
    void syncStyle();
    // The logo switch follows the brand kit and the logo.
    void syncLogo();

private:
    const InspectorContext &m_context;
    ToggleRow *m_corners;
    ToggleRow *m_shadow;
    ToggleRow *m_balance;
    ToggleRow *m_logo;
};

// The output's aspect ratio as one segmented row.
class AspectSection : public QWidget {
    Q_OBJECT
public:
    AspectSection(const InspectorContext &context, QWidget *parent = nullptr);
    void sync();

private:
    const InspectorContext &m_context;
    Segmented<AspectRatio> *m_segments;
};
