// Tables and logs of small text on alternating row colours, as spreadsheets, file lists and log
// viewers draw them: rows 10 to 24 pixels apart, text of 9 to 14 pixels whose ascenders and
// descenders reach the neighbouring rows' colour, with and without grid lines, light and dark.
#include "support/RecognitionCorpus.h"

#include <QFontMetricsF>
#include <QPainter>

namespace corpus {

namespace {

struct Stripes {
    QString name;
    QColor even, odd; // the rows' fills, the first row even
    QColor text, header, headerText;
    QColor grid;    // invalid: no grid lines
    int pitch = 12; // pixels from one row to the next
    int px = 11;    // the text's pixel size
    QString family;
};

enum class Kind { log, files, sheet };

QList<QStringList> logRows(int n) {
    const char *levels[] = {"INFO", "DEBUG", "WARN", "INFO", "ERROR", "INFO"};
    const char *sources[] = {"api.pedidos", "worker-3", "cache", "auth", "upload", "billing"};
    const char *messages[] = {
        "cache hit chave produto 4821 em 3ms",
        "pagamento aprovado para pedido 48213",
        "upload do arquivo backup_junho.tar.gz concluido",
        "query produtos by category took 87ms",
        "usuario ana.souza fez login pelo app",
        "falha ao ligar para o servidor; tentativa 2 de 5",
        "job export daily finished with 3 files",
        "fila de pagamentos vazia, aguardando eventos",
        "highlight typography plugin loaded quickly",
        "gerando miniatura 176x110 para a pagina 2",
        "deploy liberado pelo grupo de plataforma",
        "ignoring duplicate key payload from gateway",
    };
    QList<QStringList> rows;
    for (int i = 0; i < n; ++i) {
        const QString time = QStringLiteral("14:%1:%2.%3")
                                 .arg(2 + i / 9, 2, 10, QLatin1Char('0'))
                                 .arg((i * 17) % 60, 2, 10, QLatin1Char('0'))
                                 .arg((i * 137) % 1000, 3, 10, QLatin1Char('0'));
        rows.append({time, QString::fromLatin1(levels[i % 6]), QString::fromLatin1(sources[(i * 5) % 6]),
                     QString::fromLatin1(messages[(i * 7) % 12])});
    }
    return rows;
}

QList<QStringList> fileRows(int n) {
    const char *names[] = {
        "relatorio_julho.pdf",   "fotos-viagem-paraty.zip", "playlist.m3u",           "Capture.cpp",
        "logotipo-pelicano.png", "backup_2024.tar.gz",      "orcamento-grafica.xlsx", "Projetos",
        "checklist_deploy.md",   "apresentacao-final.key",  "query_lenta.sql",        "typography.json"};
    const char *sizes[] = {"1,2 MB", "348 KB", "16 KB", "2,7 MB", "96 KB", "1,1 GB", "57 KB", "4 KB"};
    const char *kinds[] = {"Documento PDF",  "Arquivo compactado", "Lista de faixas", "Codigo C++",
                           "Imagem PNG",     "Arquivo compactado", "Planilha",        "Pasta",
                           "Texto Markdown", "Apresentacao",       "Consulta SQL",    "Dados JSON"};
    QList<QStringList> rows;
    for (int i = 0; i < n; ++i) {
        const int k = (i * 5) % 12;
        const QString date = QStringLiteral("%1/0%2/2024 %3:%4")
                                 .arg(1 + (i * 7) % 28, 2, 10, QLatin1Char('0'))
                                 .arg(1 + i % 9)
                                 .arg(8 + i % 11, 2, 10, QLatin1Char('0'))
                                 .arg((i * 13) % 60, 2, 10, QLatin1Char('0'));
        rows.append(
            {QString::fromLatin1(names[k]), QString::fromLatin1(sizes[i % 8]), date, QString::fromLatin1(kinds[k])});
    }
    return rows;
}

QList<QStringList> sheetRows(int n) {
    const char *products[] = {"Cafe torrado 500g",   "Queijo prato fatiado", "Papel toalha duplo",
                              "Iogurte grego",       "Biscoito de polvilho", "Geleia de goiaba",
                              "Alho picado 200g",    "Pao de forma light",   "Yakisoba congelado",
                              "Feijao preto tipo 1", "Shampoo hidratante",   "Pipoca doce"};
    const char *groups[] = {"Bebidas", "Laticinios", "Higiene", "Padaria", "Congelados", "Mercearia"};
    const char *places[] = {"Maringa", "Joinville", "Guarulhos", "Pelotas", "Uberlandia", "Campinas", "Aracaju"};
    QList<QStringList> rows;
    for (int i = 0; i < n; ++i) {
        const int cents = 190 + (i * 389) % 4800;
        rows.append({QString::number(1041 + i), QString::fromLatin1(products[(i * 7) % 12]),
                     QString::fromLatin1(groups[i % 6]), QString::number(1 + (i * 11) % 48),
                     QStringLiteral("R$ %1,%2").arg(cents / 100).arg(cents % 100, 2, 10, QLatin1Char('0')),
                     QString::fromLatin1(places[(i * 3) % 7])});
    }
    return rows;
}

// One page: a header row when the style has one, then rows down to the bottom; each cell is a line
// of the truth, boxed by its cell.
Screen tablePage(Stripes s, Kind kind, QSize size, bool striped) {
    if (!striped) {
        s.name += QStringLiteral("-liso");
        s.odd = s.even;
        s.grid = QColor();
    }
    Screen screen{s.name, QImage(size, QImage::Format_ARGB32_Premultiplied), {}, true};
    QImage &image = screen.image;
    image.fill(s.even);
    QFont font(s.family);
    font.setPixelSize(s.px);
    QFont bold = font;
    bold.setWeight(QFont::DemiBold);
    const QFontMetricsF metrics(font);
    const bool hasHeader = s.header.isValid();
    const int rowCount = (size.height() - (hasHeader ? s.pitch + 4 : 0)) / s.pitch;
    QStringList headers;
    QList<QStringList> rows;
    switch (kind) {
    case Kind::log:
        headers = {QStringLiteral("Hora"), QStringLiteral("Nivel"), QStringLiteral("Origem"),
                   QStringLiteral("Mensagem")};
        rows = logRows(rowCount);
        break;
    case Kind::files:
        headers = {QStringLiteral("Nome"), QStringLiteral("Tamanho"), QStringLiteral("Modificado"),
                   QStringLiteral("Tipo")};
        rows = fileRows(rowCount);
        break;
    case Kind::sheet:
        headers = {QStringLiteral("Codigo"), QStringLiteral("Produto"), QStringLiteral("Grupo"),
                   QStringLiteral("Qtd"),    QStringLiteral("Preco"),   QStringLiteral("Cidade")};
        rows = sheetRows(rowCount);
        break;
    }
    // Columns as wide as their widest text and a gap.
    const qreal pad = std::max(6, s.px / 2);
    QList<qreal> lefts{pad};
    for (qsizetype c = 0; c < headers.size(); ++c) {
        qreal widest = QFontMetricsF(bold).horizontalAdvance(headers[c]);
        for (const QStringList &r : rows) widest = std::max(widest, metrics.horizontalAdvance(r[c]));
        lefts.append(lefts.back() + widest + 3 * pad);
    }
    QPainter p(&image);
    p.setRenderHint(QPainter::TextAntialiasing);
    int top = 0;
    const auto drawRow = [&](const QStringList &cells, const QFont &f, QColor ink, Role role) {
        p.setFont(f);
        p.setPen(ink);
        const QFontMetricsF m(f);
        for (qsizetype c = 0; c < cells.size(); ++c) {
            const QRectF cell(lefts[c], top, lefts[c + 1] - lefts[c] - 2 * pad, s.pitch);
            p.drawText(cell, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextDontClip, cells[c]);
            const QRectF box(cell.left() - 2, top, m.horizontalAdvance(cells[c]) + 4, s.pitch);
            screen.lines.append({cells[c], box, role, {}});
        }
    };
    const int headerHeight = hasHeader ? s.pitch + 4 : 0;
    if (hasHeader) p.fillRect(QRect(0, 0, size.width(), headerHeight), s.header);
    for (int r = 0; r < rows.size(); ++r) {
        if (r % 2) p.fillRect(QRect(0, headerHeight + r * s.pitch, size.width(), s.pitch), s.odd);
    }
    if (s.grid.isValid()) {
        p.setPen(s.grid);
        for (int r = 0; r <= rows.size(); ++r) {
            const int y = headerHeight + r * s.pitch;
            p.drawLine(0, y, size.width(), y);
        }
        for (qsizetype c = 1; c < lefts.size() - 1; ++c) {
            const int x = int(lefts[c] - pad - 1);
            p.drawLine(x, 0, x, headerHeight + int(rows.size()) * s.pitch);
        }
    }
    if (hasHeader) {
        top = 2; // centred in its taller row
        drawRow(headers, bold, s.headerText, Role::text);
        top = headerHeight;
    }
    for (const QStringList &r : rows) {
        drawRow(r, font, s.text, Role::text);
        top += s.pitch;
    }
    return screen;
}

} // namespace

QList<Screen> tableScreens(bool striped) {
    const QString mono = QStringLiteral("DejaVu Sans Mono"), inter = QStringLiteral("Inter"),
                  dejavu = QStringLiteral("DejaVu Sans"), nimbus = QStringLiteral("Nimbus Sans");
    const auto page = [&](const char *name, QColor even, QColor odd, QColor text, QColor header, QColor headerText,
                          QColor grid, int pitch, int px, const QString &family, Kind kind) {
        const Stripes style{QString::fromLatin1(name), even, odd, text, header, headerText, grid, pitch, px, family};
        return tablePage(style, kind, QSize(1000, 640), striped);
    };
    const QColor none, white(Qt::white);
    return {
        // A log viewer's 11 px lines on rows 12 pixels apart: the case that read worst.
        page("registro-listrado-claro-12px", white, 0xf1f5f9, 0x1f2937, none, none, none, 12, 11, mono, Kind::log),
        page("registro-listrado-escuro-14px", 0x0d1117, 0x161b22, 0xc9d1d9, 0x21262d, 0xe6edf3, none, 14, 12, mono,
             Kind::log),
        page("registro-grade-claro-12px", 0xfffbeb, white, 0x292524, none, none, 0xe7e5e4, 12, 11, nimbus, Kind::log),
        page("arquivos-listrado-claro-16px", white, 0xf6f8fa, 0x24292f, 0xeaeef2, 0x24292f, none, 16, 12, inter,
             Kind::files),
        page("arquivos-listrado-claro-10px", white, 0xeef7ee, 0x1b1f1b, none, none, none, 10, 9, dejavu, Kind::files),
        page("arquivos-listrado-escuro-12px", 0x111827, 0x1f2937, 0xe5e7eb, none, none, none, 12, 11, inter,
             Kind::files),
        page("planilha-grade-clara-20px", white, 0xeef4ff, 0x111827, 0xdbe4f0, 0x111827, 0xc8d1dc, 20, 13, inter,
             Kind::sheet),
        page("planilha-listrada-clara-18px", 0xf5f3ff, white, 0x2e1065, none, none, 0xddd6fe, 18, 13, nimbus,
             Kind::sheet),
        page("planilha-grade-escura-24px", 0x1e1e1e, 0x262626, 0xd4d4d4, 0x333333, 0xf5f5f5, 0x3a3a3a, 24, 14, dejavu,
             Kind::sheet),
    };
}

} // namespace corpus
