#include "pagetext/ReadingOrder.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace {

// A page of line boxes as the reader finds them, copied as the recognizer joins them.
class Page {
public:
    Page &add(const char *text, qreal x, qreal y, qreal width, qreal height = 14) {
        m_lines.append({QString::fromUtf8(text), QRectF(x, y, width, height), {}});
        return *this;
    }

    std::string copied() const {
        QStringList rows;
        for (const QList<qsizetype> &row : ReadingOrder::rowsOf(m_lines)) {
            QStringList pieces;
            for (const qsizetype i : row) pieces.append(m_lines[i].text);
            rows.append(pieces.join(QLatin1Char(' ')));
        }
        return rows.join(QLatin1Char('\n')).toStdString();
    }

private:
    QList<platform::TextLine> m_lines;
};

const char *const kSidebar[] = {"Geral", "Conta", "Pagamentos", "Notificações", "Privacidade", "Integrações", "Sair"};
const std::pair<const char *, const char *> kForm[] = {
    {"Idioma", "Português (Brasil)"}, {"Fuso horário", "São Paulo (GMT-3)"},
    {"Moeda", "Real (R$)"},           {"Formato de data", "dd/mm/aaaa"},
    {"Primeiro dia", "Domingo"},      {"Tema", "Automático"},
    {"Tamanho do texto", "Médio"},    {"Atalhos", "Ativados"}};

// A settings page: a sidebar whose items start every `pitch` pixels from `top`, a form of label and
// value rows every 44 pixels under its title, and a plan card on the right.
Page settingsPage(qreal top, qreal pitch) {
    Page page;
    qreal y = top;
    for (const char *item : kSidebar) {
        page.add(item, 24, y, 7.5 * qstrlen(item));
        y += pitch;
    }
    page.add("Preferências", 260, 20, 160, 26);
    y = 80;
    for (const auto &[label, value] : kForm) {
        page.add(label, 260, y, 7 * qstrlen(label)).add(value, 430, y, 8 * qstrlen(value));
        y += 44;
    }
    page.add("Plano atual", 780, 96, 70, 12)
        .add("Pro mensal", 780, 116, 100, 22)
        .add("R$ 49,90 por mês", 780, 150, 120, 16)
        .add("Próxima cobrança em 05/04/2024", 780, 172, 200, 14);
    return page;
}

const std::string kSettingsCopy = "Geral\nConta\nPagamentos\nNotificações\nPrivacidade\nIntegrações\nSair\n"
                                  "Preferências\n"
                                  "Idioma Português (Brasil)\nFuso horário São Paulo (GMT-3)\n"
                                  "Moeda Real (R$)\nFormato de data dd/mm/aaaa\nPrimeiro dia Domingo\n"
                                  "Tema Automático\nTamanho do texto Médio\nAtalhos Ativados\n"
                                  "Plano atual\nPro mensal\nR$ 49,90 por mês\n"
                                  "Próxima cobrança em 05/04/2024";

} // namespace

// A sidebar's items are copied as a block before the form beside them, whether they fall on the
// form's rows or between them; the form's labels stay on one line with their values, and the card
// on the right comes last.
TEST(ReadingOrderTest, SidebarBesideAFormIsCopiedAsABlockBeforeIt) {
    EXPECT_EQ(settingsPage(80, 44).copied(), kSettingsCopy);
    EXPECT_EQ(settingsPage(72, 32).copied(), kSettingsCopy);
}

// Columns spaced as the columns beside them are one table or one record: each row is copied as one
// line, though the first column alone looks like a list.
TEST(ReadingOrderTest, TablesAndRecordsStayRows) {
    Page table;
    table.add("Arquivo", 24, 20, 56).add("Tamanho", 200, 20, 60).add("Modificado", 320, 20, 80);
    const char *const names[] = {"notas.txt", "relatorio-final.pdf", "foto.png", "planilha.xlsx"};
    for (int i = 0; i < 4; ++i) {
        const qreal y = 50 + 26 * i;
        table.add(names[i], 24, y, 7.5 * qstrlen(names[i])).add("12 KB", 200, y, 40).add("ontem", 320, y, 44);
    }
    EXPECT_EQ(table.copied(), "Arquivo Tamanho Modificado\nnotas.txt 12 KB ontem\nrelatorio-final.pdf 12 KB ontem\n"
                              "foto.png 12 KB ontem\nplanilha.xlsx 12 KB ontem");
    Page record;
    qreal y = 20;
    for (const auto &[label, value] : kForm) {
        record.add(label, 24, y, 7 * qstrlen(label)).add(value, 260, y, 8 * qstrlen(value));
        y += 44;
    }
    const QStringList rows = QString::fromStdString(record.copied()).split(QLatin1Char('\n'));
    ASSERT_EQ(rows.size(), 8);
    EXPECT_EQ(rows[0], QStringLiteral("Idioma Português (Brasil)"));
    EXPECT_EQ(rows[7], QStringLiteral("Atalhos Ativados"));
}

// Switches at the right end of a form's options, read as "@", are no column of the form: the sidebar
// beside it stays a block of its own, set further from the form than the form's labels from their
// values.
TEST(ReadingOrderTest, SwitchesReadAsSymbolsLeaveTheSidebarAColumnOfItsOwn) {
    Page page;
    qreal y = 80;
    for (const char *item : kSidebar) {
        page.add(item, 24, y, 7.5 * qstrlen(item));
        y += 40;
    }
    page.add("Configurações", 260, 20, 170, 26);
    y = 80;
    page.add("Conta", 284, y, 44);
    for (const char *label : {"Nome de exibição", "Idioma", "Fuso horário"}) {
        y += 40;
        page.add(label, 284, y, 7 * qstrlen(label)).add("Marina Costa", 480, y, 90);
    }
    for (const char *option : {"Resumo semanal", "Alertas de segurança", "Convites"}) {
        y += 40;
        page.add(option, 284, y, 7.5 * qstrlen(option)).add("@", 1000, y - 2, 18, 18);
    }
    EXPECT_EQ(page.copied(), "Geral\nConta\nPagamentos\nNotificações\nPrivacidade\nIntegrações\nSair\n"
                             "Configurações\nConta\n"
                             "Nome de exibição Marina Costa\nIdioma Marina Costa\nFuso horário Marina Costa\n"
                             "Resumo semanal @\nAlertas de segurança @\nConvites @");
}

// A card beside the top of a form is copied right after the form, before the card across the page
// below both and the footer; the user's name at the top bar's right end with the top bar.
TEST(ReadingOrderTest, ACardBesideAFormComesRightAfterItAndATopBarIsOneLine) {
    Page page;
    page.add("Central do cliente", 24, 20, 140, 16).add("Marina Costa", 974, 21, 96);
    page.add("Minha conta", 40, 80, 130, 24).add("Dados pessoais", 64, 144, 120, 16);
    qreal y = 188;
    for (const char *label : {"Nome completo", "E-mail", "Telefone", "Nascimento", "Cidade"}) {
        page.add(label, 64, y, 7 * qstrlen(label)).add("valor", 240, y, 40);
        y += 40;
    }
    page.add("Precisa de ajuda?", 748, 146, 130, 16)
        .add("Nossa equipe responde pelo chat", 748, 182, 200)
        .add("de segunda a sexta", 748, 204, 120)
        .add("Abrir chat", 776, 250, 64);
    page.add("Segurança", 64, 434, 80, 16).add("Sua senha foi alterada há 3 meses.", 64, 470, 220);
    page.add("Termos de uso", 40, 640, 100, 12);
    EXPECT_EQ(page.copied(), "Central do cliente Marina Costa\nMinha conta\nDados pessoais\n"
                             "Nome completo valor\nE-mail valor\nTelefone valor\nNascimento valor\nCidade valor\n"
                             "Precisa de ajuda?\nNossa equipe responde pelo chat\nde segunda a sexta\nAbrir chat\n"
                             "Segurança\nSua senha foi alterada há 3 meses.\nTermos de uso");
}
