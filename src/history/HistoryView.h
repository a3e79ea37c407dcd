#pragma once

#include "core/BeautyStyle.h"
#include "history/HistoryEntry.h"
#include "history/HistoryPeriod.h"

#include <QDateTime>
#include <QImage>
#include <QTimer>
#include <QWidget>

#include <optional>

class HistoryGrid;
template <typename T>
class Segmented;
class HistorySearchBox;
class HistoryStore;
class QLabel;
class QShortcut;
class QStackedWidget;
class RecentsStore;

// The history page: every kept capture, newest first, under day headings, found by the text read
// from it and by a period. The page holds only what the user is doing (query, period, selection,
// focus); the captures, their texts and sizes belong to the stores, and it calls one store operation
// per action. Opening a capture and showing the settings are asked for with signals.
//
// The header counts the captures (or what was found), shows the reading of texts still to do, and
// holds the search box and the period switch. Below it the first that holds of: keeping is off; the
// index is still being filled (a spinner; one that no reading will ever end reloads the index once);
// nothing kept; nothing found; the list. Each refresh searches once and serves the list, the headings
// and the summary from that one result. Ctrl+F focuses the field; Ctrl+Backspace deletes the selected
// capture while the field is not focused. Main thread only.
class HistoryView : public QWidget {
    Q_OBJECT
public:
    enum class State { off, indexing, empty, nothingFound, list };

    HistoryView(HistoryStore &history, RecentsStore &recents, QWidget *parent = nullptr);
    ~HistoryView() override;

    // A fresh visit: the query, the period, the selection and the focus start over, the list shows
    // its top, and the index lists the folder again.
    void reload();

    State state() const { return m_state; }

signals:
    // A capture read back to be opened in the editor (no style of its own).
    void editorRequested(const QImage &image, const QString &sourcePath, const std::optional<BeautyStyle> &style);
    // "Abrir Ajustes": the settings page, to turn keeping on.
    void settingsRequested();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    QWidget *makeHeader();
    // The one render of the page; `scheduleRefresh` coalesces the stores' bursts into one.
    void refresh();
    void scheduleRefresh();
    State stateNow(const QList<HistoryEntry> &found) const;
    void showState(const QList<HistoryEntry> &found, const QDateTime &now);
    void showEmpty(const QString &icon, const QString &title, const QString &detail, const QString &action);
    QString summaryFor(qsizetype found) const;
    bool isSearching() const;
    void setPeriod(HistoryPeriod period);
    void queryEdited(const QString &text);
    void select(const HistoryEntry &entry);
    void clearSelection();
    void open(const HistoryEntry &entry);
    void remove(const QStringList &paths);
    void emptyActionChosen();
    void updateKeys();

    HistoryStore &m_history;
    RecentsStore &m_recents;
    QString m_query;
    HistoryPeriod m_period = HistoryPeriod::all;
    QString m_selected;
    State m_state = State::indexing;
    bool m_reloadedFromSpinner = false;
    bool m_stale = false;

    QLabel *m_summary = nullptr;
    QWidget *m_reading = nullptr;
    QLabel *m_readingLabel = nullptr;
    HistorySearchBox *m_search = nullptr;
    Segmented<HistoryPeriod> *m_periods = nullptr;
    QStackedWidget *m_content = nullptr;
    QWidget *m_spinnerPage = nullptr;
    class EmptyState;
    EmptyState *m_empty = nullptr;
    HistoryGrid *m_grid = nullptr;
    QShortcut *m_findKey = nullptr;
    QShortcut *m_deleteKey = nullptr;
    QTimer m_refreshTimer;
    QTimer m_clockTimer;
};
