#pragma once

#include <QAbstractButton>
#include <QList>
#include <QStringList>
#include <QWidget>

#include <functional>

// A row of buttons that picks one of a few choices. Only the user's choices are announced
// (`chosen`), a click also on the item already chosen; choosing from code announces nothing, and the
// row shows a choice only once it is set from code (`setSelectedIndex`). Its items are the buttons
// "segment0", "segment1", … in order.
class SegmentedRow : public QWidget {
    Q_OBJECT
public:
    enum class Look {
        // 34 high: a raised rounded track, items of equal width, the chosen one on a darker rounded fill;
        // each item takes the focus on its own.
        filled,
        // 32 high: as filled, with the chosen title in bold and each item as wide as its bold title, so
        // that choosing one never moves the others; the row keeps its natural size and takes the keys as
        // in the thumb look.
        fitted,
        // 26 high: a raised rounded track, items of equal width, a lifted, shadowed thumb under the chosen
        // one, whose title is bold; the row takes the focus, and the arrow keys choose the item beside the chosen one.
        thumb,
    };

    explicit SegmentedRow(const QStringList &labels, QWidget *parent = nullptr);

    int selectedIndex() const { return m_selected; }
    // -1 selects none.
    void setSelectedIndex(int index);
    Look look() const { return m_look; }
    void setLook(Look look);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void chosen(int index);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void layoutItems();
    void paintThumb(QPainter &p) const;

    QList<QAbstractButton *> m_items;
    int m_selected = -1;
    Look m_look = Look::filled;
};

// A segmented row over a list of values: `T` compared with ==, each value labelled by `label`.
template <typename T>
class Segmented : public SegmentedRow {
public:
    template <typename Values, typename Label>
    Segmented(const Values &values, Label label, QWidget *parent = nullptr)
        : SegmentedRow(labelsOf(values, label), parent), m_values(values.begin(), values.end()) {
        connect(this, &SegmentedRow::chosen, this, [this](int index) {
            if (m_onChosen) m_onChosen(m_values[index]);
        });
    }
    // Shows `value` as chosen, announcing nothing.
    void setValue(const T &value) { setSelectedIndex(int(m_values.indexOf(value))); }
    T value() const { return m_values.value(selectedIndex()); }
    // What a user's choice (a click, or an arrow key but in the filled look) does with the chosen value.
    void onChosen(std::function<void(const T &)> f) { m_onChosen = std::move(f); }

private:
    template <typename Values, typename Label>
    static QStringList labelsOf(const Values &values, Label label) {
        QStringList out;
        for (const auto &v : values) out << label(v);
        return out;
    }
    QList<T> m_values;
    std::function<void(const T &)> m_onChosen;
};
