#pragma once

#include "editor/EditorCommand.h"

#include <QHash>
#include <QList>
#include <QPixmap>
#include <QWidget>

#include <optional>

// The command bar's rows, drawn in one widget so that a keystroke relays out and repaints the list
// without making a widget per row: a group header before the first row and wherever the group
// differs from the row above, 42-high rows with a backdrop swatch, the title and the shortcut cap (or
// the "atual" caption), the selected row highlighted. Hovering changes nothing; a click on a row
// (press and release on it) reports its index.
class CommandList : public QWidget {
    Q_OBJECT
public:
    static constexpr int rowHeight = 42;

    explicit CommandList(QWidget *parent = nullptr);

    // The rows shown and the highlighted index (outside the list highlights nothing).
    void setRows(QList<EditorCommand> rows, int selection);
    void setSelection(int selection);
    const QList<EditorCommand> &rows() const { return m_rows; }
    // Where row `index` lies, in this widget's coordinates (empty outside the list).
    QRect rowRect(int index) const;
    // The row at a point, or none (headers, gaps and padding are no row).
    std::optional<int> rowAt(QPoint point) const;
    // The swatches are drawn again (the backdrops may have changed since the bar was last open).
    void forgetSwatches() { m_swatches.clear(); }

    QSize sizeHint() const override { return {620, m_height}; }

signals:
    void rowClicked(int index);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    struct Header {
        int y;
        QString text;
    };
    void relayout();
    void paintRow(QPainter &p, int index, const QRect &rect) const;
    const QPixmap &swatch(const Backdrop &backdrop) const;

    QList<EditorCommand> m_rows;
    int m_selection = 0;
    QList<int> m_rowTops;
    QList<Header> m_headers;
    int m_height = 0;
    std::optional<int> m_pressed;
    QString m_current; // the caption of the current choice, as the model writes it
    mutable QHash<QString, QPixmap> m_swatches;
};
