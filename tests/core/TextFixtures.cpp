#include "TextFixtures.h"

#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QPainter>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <algorithm>
#include <vector>

namespace textfixtures {

namespace {

const QStringList &vocabulary() {
    static const QStringList words = QStringLiteral(
        "ação informação você próximo relatório configurações usuário segurança conteúdo período análise "
        "câmera área título página botão janela captura imagem texto histórico marca tutorial passo "
        "arquivo pasta salvar copiar colar editar desfazer refazer exportar fundo sombra cantos margem "
        "proporção prévia também então não está são até já só após português inglês começar função "
        "the quick brown fox jumps over lazy dog screenshot window capture editor history settings "
        "export shadow padding backdrop preview shortcut keyboard search recent file folder open close "
        "reunião amanhã às horas equipe projeto entrega cliente pedido número valor total mês semana "
        "2024 15 300 1.250,00 R$ 42% v2.3 #12 (beta) e-mail: OK, sim; não! é à ó ü ç ã õ")
                                          .split(QLatin1Char(' '), Qt::SkipEmptyParts);
    return words;
}

void paintGround(QImage &image, bool dark) {
    image.fill(dark ? QColor(0x1e, 0x1f, 0x24) : QColor(0xfb, 0xfb, 0xfc));
}

QColor ink(bool dark) { return dark ? QColor(0xe3, 0xe5, 0xe8) : QColor(0x1f, 0x23, 0x28); }

QFont fontFor(const Look &look) {
    QFont font(look.family);
    font.setPixelSize(look.pixelSize);
    return font;
}

} // namespace

Page renderPage(const Look &look, quint32 seed) {
    Page page;
    page.image = QImage(look.size * look.scale, QImage::Format_ARGB32_Premultiplied);
    paintGround(page.image, look.dark);
    QPainter p(&page.image);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.scale(look.scale, look.scale);
    const QFont font = fontFor(look);
    p.setFont(font);
    p.setPen(ink(look.dark));
    const QFontMetricsF fm(font);

    const qreal margin = 40, gutter = 48;
    const qreal columnWidth = (look.size.width() - 2 * margin - gutter * (look.columns - 1)) / look.columns;
    const qreal lineHeight = std::round(look.pixelSize * 1.6);
    const int rows = int((look.size.height() - 2 * margin) / lineHeight);
    QRandomGenerator random(seed);
    const QStringList &words = vocabulary();

    for (int row = 0; row < rows; ++row) {
        const qreal baseline = margin + row * lineHeight + fm.ascent();
        for (int column = 0; column < look.columns; ++column) {
            // Lines of varying length, as in real text; a paragraph break now and then.
            const qreal width = columnWidth * (0.55 + 0.45 * random.bounded(100) / 100.0);
            if (random.bounded(9) == 0) continue;
            QString line;
            for (;;) {
                const QString word = words.at(random.bounded(int(words.size())));
                const QString next = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
                if (fm.horizontalAdvance(next) > width) break;
                line = next;
            }
            if (line.isEmpty()) continue;
            p.drawText(QPointF(margin + column * (columnWidth + gutter), baseline), line);
            page.lines.append(line);
            page.words += int(line.count(QLatin1Char(' '))) + 1;
        }
    }
    return page;
}

Page renderLines(const QStringList &lines, const Look &look) {
    const QFont font = fontFor(look);
    const QFontMetricsF fm(font);
    qreal width = 0;
    for (const QString &line : lines) width = std::max(width, fm.horizontalAdvance(line));
    const qreal margin = 24, lineHeight = std::round(look.pixelSize * 1.8);
    const QSize size(int(width + 2 * margin), int(lines.size() * lineHeight + 2 * margin));
    Page page;
    page.image = QImage(size * look.scale, QImage::Format_ARGB32_Premultiplied);
    paintGround(page.image, look.dark);
    QPainter p(&page.image);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.scale(look.scale, look.scale);
    p.setFont(font);
    p.setPen(ink(look.dark));
    for (int i = 0; i < lines.size(); ++i) {
        p.drawText(QPointF(margin, margin + i * lineHeight + fm.ascent()), lines.at(i));
        page.words += int(lines.at(i).count(QLatin1Char(' '))) + 1;
    }
    page.lines = lines;
    return page;
}

int editDistance(const QString &a, const QString &b) {
    std::vector<int> previous(size_t(b.size()) + 1), current(size_t(b.size()) + 1);
    for (size_t j = 0; j <= size_t(b.size()); ++j) previous[j] = int(j);
    for (qsizetype i = 1; i <= a.size(); ++i) {
        current[0] = int(i);
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const int substitute = previous[size_t(j - 1)] + (a.at(i - 1) == b.at(j - 1) ? 0 : 1);
            current[size_t(j)] = std::min({previous[size_t(j)] + 1, current[size_t(j - 1)] + 1, substitute});
        }
        std::swap(previous, current);
    }
    return previous[size_t(b.size())];
}

Accuracy measure(const QStringList &drawn, const QString &read) {
    Accuracy accuracy;
    QStringList readLines = read.split(QLatin1Char('\n'));
    readLines.removeIf([](const QString &l) { return l.trimmed().isEmpty(); });

    qint64 errors = 0, characters = 0;
    std::vector<qsizetype> matchedAt;
    for (const QString &line : drawn) {
        int best = int(line.size());
        qsizetype bestIndex = -1;
        for (qsizetype i = 0; i < readLines.size(); ++i) {
            const int d = editDistance(line, readLines.at(i).trimmed());
            if (d < best) {
                best = d;
                bestIndex = i;
            }
        }
        errors += best;
        characters += line.size();
        matchedAt.push_back(bestIndex);
    }
    accuracy.characterErrorRate = characters ? double(errors) / double(characters) : 0;

    int inOrder = 0, pairs = 0;
    for (size_t i = 1; i < matchedAt.size(); ++i) {
        if (matchedAt[i - 1] < 0 || matchedAt[i] < 0) continue;
        ++pairs;
        if (matchedAt[i] >= matchedAt[i - 1]) ++inOrder;
    }
    accuracy.orderScore = pairs ? double(inOrder) / pairs : 0;

    QHash<QString, int> available;
    for (const QString &w : read.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts)) ++available[w];
    int found = 0, total = 0;
    for (const QString &line : drawn) {
        for (const QString &w : line.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            ++total;
            auto it = available.find(w);
            if (it != available.end() && *it > 0) {
                --*it;
                ++found;
            }
        }
    }
    accuracy.wordRecall = total ? double(found) / total : 0;
    return accuracy;
}

} // namespace textfixtures
