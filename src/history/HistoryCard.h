#pragma once

#include "core/LatestResult.h"
#include "history/HistoryEntry.h"

#include <QImage>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <optional>
#include <utility>

class HistoryStore;
class HoverProgress;
class QAbstractButton;
class QMenu;
class QTextLayout;

// The card of one kept capture on the history page: its thumbnail, its time of day, its pixel size
// once the store knows it, and, while the page searches, the matching line of text with the first
// match marked. A click selects it, a double click opens it (selecting it first); the pointer over it
// shows buttons to copy, open and delete, and its menu adds copying the text and showing the file.
//
// The page keeps a few cards and hands them the entries on screen: a card shown another capture lets
// go of the previous one's thumbnail. Until its thumbnail is decoded the card shows a spinner; a file
// that cannot be decoded shows a still picture sign. Main thread only.
class HistoryCard : public QWidget {
    Q_OBJECT
public:
    enum class Picture { none, loading, shown, unreadable };

    explicit HistoryCard(HistoryStore &history, QWidget *parent = nullptr);
    ~HistoryCard() override;

    // The height of a card `width` wide, with room for two lines of text or without.
    static int heightFor(int width, bool withSnippet);

    // Shows `entry`; its thumbnail is asked for when the capture is another than the one shown. An
    // empty entry (no path) shows nothing and lets go of any thumbnail.
    void setEntry(const HistoryEntry &entry);
    // The line of text under the card (none: no line) and the query whose first match is marked.
    void setSnippet(const std::optional<QString> &snippet, const QString &query);
    void setSelected(bool selected);

    const HistoryEntry &entry() const { return m_entry; }
    bool isSelected() const { return m_selected; }
    QString timeText() const;
    // "2880 × 1800" while the store knows a size of at least one pixel; empty otherwise.
    QString sizeText() const;
    const std::optional<QString> &snippet() const { return m_snippet; }
    // The marked part of the snippet as (start, length) in its UTF-16 units; none when unmarked.
    std::optional<std::pair<qsizetype, qsizetype>> mark() const { return m_mark; }
    Picture picture() const { return m_picture; }
    bool isHovering() const;

    // The context menu as the card shows it, built now (the text item reads the text now).
    QMenu *createMenu(QWidget *parent);

    // Copies the capture's image: the file is read and encoded off the main thread, and "Copiado"
    // shows only once the clipboard holds it; a file that cannot be read says so instead.
    void copyImage();

signals:
    void selectRequested(const HistoryEntry &entry);
    void openRequested(const HistoryEntry &entry);
    void deleteRequested(const HistoryEntry &entry);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    QRect thumbnailRect() const;
    void askForPicture();
    void letGoOfPicture();
    void pictureArrived(const LatestResult::Ticket &ticket, const QImage &image);
    void copyText(const QString &text);
    void placeButtons();
    void layOutSnippet();
    void updateSpinning();
    void paintThumbnail(QPainter &painter, const QRect &box);
    void paintInfo(QPainter &painter, int top);

    HistoryStore &m_history;
    HistoryEntry m_entry;
    std::optional<QString> m_snippet;
    QString m_query;
    std::optional<std::pair<qsizetype, qsizetype>> m_mark;
    std::unique_ptr<QTextLayout> m_snippetLayout;
    bool m_selected = false;

    Picture m_picture = Picture::none;
    QImage m_image;
    QPixmap m_scaled; // m_image as drawn, made once per size
    QString m_asking; // the path whose thumbnail is awaited
    LatestResult m_pictureAsked;
    QTimer m_spin;

    HoverProgress *m_hover;
    QAbstractButton *m_copy;
    QAbstractButton *m_open;
    QAbstractButton *m_delete;
};
