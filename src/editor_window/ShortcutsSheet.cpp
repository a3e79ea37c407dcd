#include "editor_window/ShortcutsSheet.h"

#include "core/Localization.h"
#include "widgets/Keycap.h"
#include "widgets/SectionLabel.h"
#include "widgets/Theme.h"
#include "widgets/ThemedLabel.h"

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
          {{s("⌫")}, L("Apagar anotação")}}},
        {L("Ações"),
         {{{ctrl, s("C")}, L("Copiar e fechar")},
          {{s("↵")}, L("Copiar (ou aplicar recorte)")},
          {{ctrl, s("S")}, L("Salvar")},
          {{shift, ctrl, s("C")}, L("Copiar texto do print")},
          {{ctrl, s("K")}, L("Barra de comandos")},
          {{s("Esc")}, L("Voltar à prévia / fechar")}}},
        {L("Estilo e ver"),
         {{{s("1–9")}, L("Aplicar preset")},
          {{s("["), s("]")}, L("Margem")},
          {{s("E")}, L("Cores do fundo")},
          {{L("Espaço")}, L("Segure para ver o original")},
          {{ctrl, s("Z")}, L("Desfazer")},
          {{shift, ctrl, s("Z")}, L("Refazer")},
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
    auto *columns = new QHBoxLayout;
    columns->setSpacing(28);
    for (const ShortcutGroup &group : groups()) columns->addWidget(column(group), 0, Qt::AlignTop);
    card->addLayout(columns);
    m_card->adjustSize();
}

QWidget *ShortcutsSheet::column(const ShortcutGroup &group) {
    auto *column = new QWidget(m_card);
    auto *rows = new QVBoxLayout(column);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(10);
    rows->addWidget(new SectionLabel(group.title, column));
    for (const Item &item : group.items) {
        auto *row = new QHBoxLayout;
        row->setSpacing(0);
        auto *caps = new KeycapRow(item.keys, Keycap::Size::small, column);
        row->addWidget(caps);
        // The caps take at least 64, so that the texts of a column start at one x.
        row->addSpacing(std::max(0, 64 - caps->sizeHint().width()) + 10);
        row->addWidget(themedLabel(item.text, Theme::font(13), QColor(200, 200, 210), column));
        row->addStretch(1);
        rows->addLayout(row);
    }
    rows->addStretch(1);
    return column;
}

QRect ShortcutsSheet::cardRect() const { return m_card->geometry(); }

void ShortcutsSheet::resizeEvent(QResizeEvent *event) {
    EditorOverlay::resizeEvent(event);
    QRect card(QPoint(), m_card->sizeHint());
    card.moveCenter(rect().center());
    m_card->setGeometry(card);
}
