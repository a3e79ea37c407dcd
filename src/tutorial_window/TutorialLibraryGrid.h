#pragma once

#include "tutorials/Tutorial.h"

#include <QCache>
#include <QDateTime>
#include <QPixmap>
#include <QHash>
#include <QList>
#include <QUuid>
#include <QWidget>

class PictureLoader;
class QMenu;
class QVariantAnimation;
class TutorialStore;

// The cards of the library, in a grid of columns 250 to 340 wide with 18 between cards, centred, 24
// from the edges. Each card shows the first step as its cover, the title and "n passos · editado
// <when>"; a click opens the tutorial, the context menu opens, renames, duplicates or deletes it. The
// cards are drawn, not built, so only those on screen cost anything, and a cover is decoded in the
// background the first time its card shows.
class TutorialLibraryGrid : public QWidget {
    Q_OBJECT
public:
    TutorialLibraryGrid(TutorialStore &store, PictureLoader &loader, QWidget *parent = nullptr);

    // The tutorials to show, in order.
    void setTutorials(const QList<Tutorial> &tutorials);
    const QList<Tutorial> &tutorials() const { return m_tutorials; }

    // Where the card of the tutorial at `index` is, for the current width; its index at a point, or -1.
    QRect cardRect(qsizetype index) const;
    qsizetype cardAt(QPoint point) const;
    // The height the cards need at `width`.
    int heightFor(int width) const;

    // "1 passo · editado ontem", "%@ passos · editado há 2 horas".
    static QString subtitle(const Tutorial &tutorial, const QDateTime &now = QDateTime::currentDateTimeUtc());
    // The card's title: as stored, "Sem título" when it is empty.
    static QString title(const Tutorial &tutorial);

    // The context menu of a card: "Abrir", "Renomear…", "Duplicar", "Excluir…".
    QMenu *contextMenu(qsizetype index);
    // The rename and delete dialogs of a card, each ending in one store call when confirmed.
    void rename(const Tutorial &tutorial);
    void confirmDelete(const Tutorial &tutorial);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    bool event(QEvent *event) override;

private:
    struct Columns {
        int count = 1;
        int width = 250;
        int left = 24;
    };
    Columns columns(int width) const;
    int cardHeight() const;
    void paintCard(QPainter &p, const Tutorial &tutorial, const QRect &card, qreal hover);
    // The first step's picture file; empty for a tutorial without steps or one whose file name is not its own.
    QString coverPath(const Tutorial &tutorial) const;
    // The first step's picture once decoded (null until then, and for none).
    QImage coverOf(const Tutorial &tutorial);
    // Whether the card shows the "no cover" symbol: no first picture, or one that could not be read.
    bool hasNoCover(const Tutorial &tutorial) const;
    void setHovered(const std::optional<QUuid> &id);
    qreal hoverOf(const QUuid &id) const;

    TutorialStore &m_store;
    PictureLoader &m_loader;
    QList<Tutorial> m_tutorials;
    std::optional<QUuid> m_hovered;
    std::optional<QUuid> m_leaving; // the card the pointer just left, easing back
    qreal m_hoverIn = 0;
    qreal m_hoverOut = 0;
    QVariantAnimation *m_in;
    QVariantAnimation *m_out;
    std::optional<QUuid> m_pressed;
    QCache<QString, QPixmap> m_drawn{64}; // resting cards as drawn, by everything they show
};
