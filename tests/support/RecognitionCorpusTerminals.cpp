// A full-HD screen of four terminals side by side and one under the other, as a developer's desktop
// shows them: the densest text a user copies, some 200 lines of small monospace print.
#include "support/RecognitionCorpus.h"

#include <QFontMetricsF>
#include <QPainter>

namespace corpus {

namespace {

QStringList shellLines() {
    QStringList l{QStringLiteral("ana@oficina:~/projetos/loja$ ls -l src/pedidos")};
    const char *names[] = {"carrinho.cpp",       "carrinho.h",         "checkout_service.cpp", "checkout_service.h",
                           "cupom_desconto.cpp", "entrega_prazo.cpp",  "estoque_reserva.cpp",  "frete_tabela.json",
                           "nota_fiscal.cpp",    "pagamento_pix.cpp",  "pedido_status.cpp",    "relatorio_vendas.sql"};
    for (int i = 0; i < 12; ++i) {
        l.append(QStringLiteral("-rw-r--r-- 1 ana equipe %1 mar %2 %3:%4 %5")
                     .arg(1200 + i * 937, 6)
                     .arg(3 + i % 20, 2)
                     .arg(9 + i % 9, 2, 10, QLatin1Char('0'))
                     .arg((i * 7) % 60, 2, 10, QLatin1Char('0'))
                     .arg(QString::fromLatin1(names[i])));
    }
    l << QStringLiteral("ana@oficina:~/projetos/loja$ grep -rn TODO src/pedidos | head -5")
      << QStringLiteral("src/pedidos/carrinho.cpp:88: // TODO limitar a quantidade por cliente")
      << QStringLiteral("src/pedidos/frete_tabela.json:12: \"TODO\": \"revisar faixas do interior\"")
      << QStringLiteral("src/pedidos/nota_fiscal.cpp:204: // TODO serie da nota por filial")
      << QStringLiteral("ana@oficina:~/projetos/loja$ df -h /srv")
      << QStringLiteral("Filesystem Size Used Avail Use% Mounted on")
      << QStringLiteral("/dev/nvme0n1p3 234G 187G 36G 84% /srv")
      << QStringLiteral("ana@oficina:~/projetos/loja$ uptime")
      << QStringLiteral("14:32:07 up 12 days, 3:41, 2 users, load average: 1.84, 1.62, 1.40")
      << QStringLiteral("ana@oficina:~/projetos/loja$ echo $PATH")
      << QStringLiteral("/home/ana/.local/bin:/usr/local/bin:/usr/bin:/bin");
    return l;
}

QStringList buildLines() {
    QStringList l{QStringLiteral("$ cmake --build build --parallel 4")};
    const char *files[] = {"carrinho", "checkout_service", "cupom_desconto", "entrega_prazo", "estoque_reserva",
                           "nota_fiscal", "pagamento_pix", "pedido_status", "cliente_cadastro", "busca_produtos"};
    for (int i = 0; i < 20; ++i) {
        l.append(QStringLiteral("[%1/%2] Building CXX object src/CMakeFiles/loja.dir/pedidos/%3.cpp.o")
                     .arg(41 + i * 3)
                     .arg(212)
                     .arg(QString::fromLatin1(files[i % 10])));
        if (i == 7)
            l << QStringLiteral("warning: unused variable 'total' [-Wunused-variable]")
              << QStringLiteral("   int total = itens.size();");
    }
    l << QStringLiteral("[212/212] Linking CXX executable loja")
      << QStringLiteral("$ ctest --test-dir build -R pedidos")
      << QStringLiteral("100% tests passed, 0 tests failed out of 48")
      << QStringLiteral("Total Test time (real) = 6.42 sec");
    return l;
}

QStringList historyLines() {
    QStringList l{QStringLiteral("$ git log --oneline --graph -24")};
    const char *subjects[] = {
        "Calcula o frete por faixa de CEP do interior",     "Corrige arredondamento do desconto em centavos",
        "Mostra o prazo de entrega no resumo do pedido",    "Reserva o estoque antes de gerar o pagamento",
        "Envia a nota fiscal por e-mail ao cliente",        "Aceita cupom de primeira compra no checkout",
        "Move a tabela de frete para um arquivo JSON",      "Registra o status do pedido a cada mudanca",
        "Remove a busca antiga de produtos por categoria",  "Limita tentativas de pagamento por cartao",
        "Adiciona relatorio semanal de vendas por filial",  "Atualiza a biblioteca de PIX para a versao 2.3",
    };
    for (int i = 0; i < 24; ++i) {
        const quint32 hash = 0x9e3779b9u * quint32(i + 7);
        l.append(QStringLiteral("* %1 %2").arg(hash >> 4, 7, 16, QLatin1Char('0')).arg(QString::fromLatin1(subjects[i % 12])));
    }
    return l;
}

QStringList processLines() {
    QStringList l{QStringLiteral("top - 14:32:09 up 12 days, 3:41, 2 users, load average: 1.84, 1.62, 1.40"),
                  QStringLiteral("Tasks: 312 total, 2 running, 310 sleeping, 0 stopped, 0 zombie"),
                  QStringLiteral("MiB Mem: 15842.3 total, 2210.6 free, 7716.1 used, 5915.6 buff/cache"),
                  QStringLiteral("PID USER PR NI VIRT RES SHR S %CPU %MEM TIME+ COMMAND")};
    const char *commands[] = {"postgres", "loja", "node", "nginx", "redis-server", "python3", "cc1plus", "Xorg",
                              "firefox", "code", "dockerd", "systemd-journal"};
    for (int i = 0; i < 26; ++i) {
        l.append(QStringLiteral("%1 %2 20 0 %3 %4 %5 S %6 %7 %8:%9.%10 %11")
                     .arg(1200 + i * 311)
                     .arg(i % 3 ? QStringLiteral("ana") : QStringLiteral("root"))
                     .arg(200000 + i * 45123)
                     .arg(30000 + i * 7919)
                     .arg(8000 + i * 1013)
                     .arg(double((29 * i) % 97) / 10, 0, 'f', 1)
                     .arg(double((13 * i) % 61) / 10, 0, 'f', 1)
                     .arg(i % 7)
                     .arg((i * 11) % 60, 2, 10, QLatin1Char('0'))
                     .arg((i * 37) % 100, 2, 10, QLatin1Char('0'))
                     .arg(QString::fromLatin1(commands[i % 12])));
    }
    return l;
}

} // namespace

Screen terminalsScreen() {
    const QSize size(1920, 1080);
    Screen screen{QStringLiteral("terminais-1080p"), QImage(size, QImage::Format_ARGB32_Premultiplied), {}, true};
    QImage &image = screen.image;
    image.fill(QColor(0x2b2b2b));
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setPixelSize(13);
    const QFontMetricsF metrics(font);
    const int pitch = 17, titleHeight = 26, gap = 4;
    QPainter p(&image);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QList<std::pair<QString, QStringList>> panes = {{QStringLiteral("ana@oficina: ~/projetos/loja"), shellLines()},
                                                          {QStringLiteral("build"), buildLines()},
                                                          {QStringLiteral("git log"), historyLines()},
                                                          {QStringLiteral("top"), processLines()}};
    const int w = (size.width() - gap) / 2, h = (size.height() - gap) / 2;
    for (qsizetype i = 0; i < panes.size(); ++i) {
        const QRect pane(int(i % 2) * (w + gap), int(i / 2) * (h + gap), w, h);
        p.fillRect(pane, QColor(0x1d1f21));
        const QRect title(pane.left(), pane.top(), pane.width(), titleHeight);
        p.fillRect(title, QColor(0x3c3f41));
        p.setFont(font);
        p.setPen(QColor(0xdcdcdc));
        p.drawText(title, Qt::AlignCenter, panes[i].first);
        const qreal advance = metrics.horizontalAdvance(panes[i].first);
        screen.lines.append({panes[i].first,
                             QRectF(title.center().x() - advance / 2 - 2, title.top(), advance + 4, titleHeight),
                             Role::text,
                             {}});
        int top = title.bottom() + 6;
        for (const QString &text : panes[i].second) {
            if (top + pitch > pane.bottom()) break;
            // Prompts in green, as shells colour them; the rest in the terminal's grey.
            p.setPen(text.startsWith(QLatin1Char('$')) || text.contains(QLatin1String("$ ")) ? QColor(0x8ae234)
                                                                                              : QColor(0xd3d7cf));
            const QRectF row(pane.left() + 8, top, pane.width() - 16, pitch);
            p.drawText(row, Qt::AlignLeft | Qt::AlignVCenter, text);
            screen.lines.append(
                {text, QRectF(row.left() - 2, top, metrics.horizontalAdvance(text) + 4, pitch), Role::text, {}});
            top += pitch;
        }
    }
    return screen;
}

} // namespace corpus
