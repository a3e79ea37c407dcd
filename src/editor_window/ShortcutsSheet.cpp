#include "editor_window/ShortcutsSheet.h"

#include "core/Localization.h"
#include "widgets/Keycap.h"
#include "widgets/SectionLabel.h"
#include "widgets/Theme.h"
#include "widgets/ThemedLabel.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {

const QString ctrl = QStringLiteral("Ctrl");
const QString shift = QStringLiteral("Shift");

QString s(const char *utf8) { return QString::fromUtf8(utf8); }

} // namespace

QList<ShortcutsSheet::ShortcutGroup> ShortcutsSheet::groups() {
    return {
        {L("Ferramentas"),
         {{{s("P")}, L("Prévia (resultado final)")},
          {{s("V")}, L("Mover e selecionar")},
          {{s("A")}, L("Seta")},
          {{s("R")}, L("Caixa")},
          {{s("H")}, L("Marcador")},
          {{s("T")}, L("Texto")},
          {{s("B")}, L("Ocultar dados")},
          {{s("C")}, L("Recortar")},
          {{s("Delete")}, L("Apagar anotação")}}},
        {L("Ações"),
         {{{ctrl, s("C")}, L("Copiar e fechar")},
          {{s("↵")}, L("Copiar (ou aplicar recorte)")},
          {{ctrl, s("S")}, L("Salvar")},
          {{ctrl, shift, s("C")}, L("Copiar texto do print")},
          {{ctrl, s("K")}, L("Barra de comandos")},
          {{s("Esc")}, L("Voltar à prévia / fechar")}}},
        {L("Estilo e ver"),
         {{{s("1–9")}, L("Aplicar preset")},
          {{s("["), s("]")}, L("Margem")},
          {{s("E")}, L("Cores do fundo")},
          {{L("Espaço")}, L("Segure para ver o original")},
          {{ctrl, s("Z")}, L("Desfazer")},
          {{ctrl, shift, s("Z")}, L("Refazer")},
          {{ctrl, s("1")}, L("Início")},
          {{ctrl, s("2")}, L("Editor")}}},
    };
}

ShortcutsSheet::ShortcutsSheet(std::function<void()> dismiss, QWidget *parent)
    : EditorOverlay(std::move(dismiss), parent), m_card(new QWidget(this)) {
    setObjectName(QStringLiteral("shortcutsSheet"));
    auto *card = new QVBoxLayout(m_card);
    card->setContentsMargins(28, 28, 28, 28);
    card->setSpacing(18);
    auto *header = new QHBoxLayout;
    header->addWidget(themedLabel(L("Atalhos do Editor"), Theme::font(18, QFont::DemiBold), Theme::text(), m_card));
    header->addStretch(1);
    header->addWidget(themedLabel(L("qualquer tecla fecha"), Theme::font(12), Theme::text3(), m_card));
    card->addLayout(header);
    m_wideWidth = 2 * 28 + 28 * (int(groups().size()) - 1);
    for (const ShortcutGroup &group : groups()) {
        m_columns << column(group);
        m_wideWidth += m_columns.constLast()->sizeHint().width();
    }
    arrange(false);
}

void ShortcutsSheet::arrange(bool stacked) {
    if (m_grid && stacked == m_stacked) return;
    m_stacked = stacked;
    auto *card = static_cast<QVBoxLayout *>(m_card->layout());
    delete m_grid; // its columns stay
    m_grid = new QGridLayout;
    m_grid->setHorizontalSpacing(28);
    m_grid->setVerticalSpacing(24);
    for (int i = 0; i < m_columns.size(); ++i) {
        if (stacked && i > 0) m_grid->addWidget(m_columns[i], i - 1, 1, Qt::AlignTop | Qt::AlignLeft);
        else m_grid->addWidget(m_columns[i], 0, i, stacked ? m_columns.size() - 1 : 1, 1, Qt::AlignTop | Qt::AlignLeft);
    }
    card->addLayout(m_grid);
    m_card->adjustSize();
}

QWidget *ShortcutsSheet::column(const ShortcutGroup &group) {
    auto *column = new QWidget(m_card);
    auto *rows = new QVBoxLayout(column);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(10);
    rows->addWidget(new SectionLabel(group.title, column));
    // The texts of a column start at one x, after its widest keys (and at least 64 in).
    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(10);
    grid->setColumnMinimumWidth(0, 64);
    grid->setColumnStretch(1, 1);
    for (int i = 0; i < group.items.size(); ++i) {
        const Item &item = group.items[i];
        grid->addWidget(new KeycapRow(item.keys, Keycap::Size::small, column), i, 0, Qt::AlignLeft | Qt::AlignVCenter);
        grid->addWidget(themedLabel(item.text, Theme::font(13), QColor(200, 200, 210), column), i, 1,
                        Qt::AlignLeft | Qt::AlignVCenter);
    }
    rows->addLayout(grid);
    rows->addStretch(1);
    return column;
}

QRect ShortcutsSheet::cardRect() const { return m_card->geometry(); }

void ShortcutsSheet::resizeEvent(QResizeEvent *event) {
    EditorOverlay::resizeEvent(event);
    // The columns side by side where the card keeps 24 of the page on each side.
    arrange(m_wideWidth > width() - 2 * 24);
    QRect card(QPoint(), m_card->sizeHint());
    card.moveCenter(rect().center());
    m_card->setGeometry(card);
}
