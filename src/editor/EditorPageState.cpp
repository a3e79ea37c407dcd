#include "editor/EditorPageState.h"

#include "platform/TextFolding.h"

namespace {

// The query as matched: spaces and tabs trimmed at both ends (line breaks stay), then folded.
QString foldedQuery(const QString &query) {
    qsizetype start = 0, end = query.size();
    auto blank = [&](qsizetype i) { return query[i] == u' ' || query[i] == u'\t'; };
    while (start < end && blank(start)) ++start;
    while (end > start && blank(end - 1)) --end;
    return platform::TextFolding::fold(QStringView(query).sliced(start, end - start));
}

} // namespace

void EditorPageState::setDetectingSensitive(bool on) {
    if (on == m_detectingSensitive) return;
    m_detectingSensitive = on;
    emit isDetectingSensitiveChanged();
}

void EditorPageState::setReadingText(bool on) {
    if (on == m_readingText) return;
    m_readingText = on;
    emit isReadingTextChanged();
}

void EditorPageState::setShowOriginal(bool on) {
    if (on == m_showOriginal) return;
    m_showOriginal = on;
    emit showOriginalChanged();
}

void EditorPageState::setCommandBarOpen(bool open) {
    const bool changed = open != m_commandBarOpen;
    m_commandBarOpen = open;
    if (open) setCommandQuery(QString());
    if (changed) emit isCommandBarOpenChanged();
}

void EditorPageState::setCommandQuery(const QString &query) {
    const bool changed = query != m_commandQuery;
    m_commandQuery = query;
    setCommandSelection(0);
    if (changed) emit commandQueryChanged();
}

void EditorPageState::setCommandSelection(int row) {
    if (row == m_commandSelection) return;
    m_commandSelection = row;
    emit commandSelectionChanged();
}

void EditorPageState::setShortcutsOpen(bool open) {
    if (open == m_shortcutsOpen) return;
    m_shortcutsOpen = open;
    emit isShortcutsOpenChanged();
}

void EditorPageState::setBackdropDraft(const std::optional<BackdropDraft> &draft) {
    const bool same = draft.has_value() == m_backdropDraft.has_value() && (!draft || draft->id == m_backdropDraft->id);
    m_backdropDraft = draft;
    if (!same) emit backdropDraftChanged();
}

QList<EditorCommand> EditorPageState::filtered(QList<EditorCommand> rows) const {
    const QString query = foldedQuery(m_commandQuery);
    if (query.isEmpty()) return rows;
    // Folding goes character by character, so a row's text folds as its folded group, a space and its
    // folded title; the few groups are folded once.
    QString group, foldedGroup;
    rows.removeIf([&](const EditorCommand &row) {
        if (row.group != group) foldedGroup = platform::TextFolding::fold(group = row.group);
        return !(foldedGroup + u' ' + platform::TextFolding::fold(row.title)).contains(query);
    });
    return rows;
}

void EditorPageState::moveCommandSelection(int step, int rowCount) {
    if (rowCount == 0) return;
    setCommandSelection(((m_commandSelection + step) % rowCount + rowCount) % rowCount);
}
