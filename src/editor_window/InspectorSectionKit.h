#pragma once

#include "editor/EditorModel.h"

#include <QAbstractButton>
#include <QPointer>

#include <functional>

class BrandStore;
class StyleStore;

// What every section of the editor's side panel works on: the open image's model (none once it is
// gone) and the two stores. Owned by the panel, read by its sections at each action.
struct InspectorContext {
    QPointer<EditorModel> model;
    StyleStore *styles = nullptr;
    BrandStore *brand = nullptr;
};

// What the sections share beyond the context: their tints, one-write style edits and the tile that adds one more.
namespace SectionKit {

// The control tint of the sliders and switches, and the colour of the numbers read out.
QColor controlTint();
QColor readoutColor();

// The model's style with one edit applied, as one write (an undo step when it differs).
void editStyle(EditorModel *model, const std::function<void(BeautyStyle &)> &edit);

// The tile at the end of a grid that adds one more: a dashed rounded outline around a text or a
// symbol.
class NewTile : public QAbstractButton {
    Q_OBJECT
public:
    struct Look {
        QString text;   // drawn at size 13 when set
        QString symbol; // drawn at size 12 otherwise
        qreal cornerRadius;
        qreal dashOpacity;
    };
    NewTile(Look look, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Look m_look;
};

} // namespace SectionKit
