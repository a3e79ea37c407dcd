// Pages painted element by element, so that every box is known exactly: outlined buttons, chips and
// toggle switches, a record of label and value rows, two windows side by side, a sidebar beside a form.
#include "support/RecognitionCorpus.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <climits>

namespace corpus {

namespace {

struct Colours {
    bool dark;
    QColor page, text, muted, outline, fill, accent, trackOff, knobOff, bar;
};

const Colours kLightColours{false,
                            QColor(0xffffff),
                            QColor(0x111827),
                            QColor(0x6b7280),
                            QColor(0xcbd5e1),
                            QColor(0xf8fafc),
                            QColor(0x2563eb),
                            QColor(0xcbd5e1),
                            QColor(0xffffff),
                            QColor(0xf1f5f9)};
const Colours kDarkColours{true,
                           QColor(0x111827),
                           QColor(0xe5e7eb),
                           QColor(0x9ca3af),
                           QColor(0x4b5563),
                           QColor(0x1f2937),
                           QColor(0x3b82f6),
                           QColor(0x374151),
                           QColor(0x9ca3af),
                           QColor(0x0b1120)};

QFont fontOf(int px, int weight = QFont::Normal) {
    QFont f(QStringLiteral("Inter"));
    f.setPixelSize(px);
    f.setWeight(QFont::Weight(weight));
    return f;
}

// Paints one page in window coordinates at `scale` and records the text of each element.
class Page {
public:
    Page(QString name, QString kind, QSize size, const Colours &c, qreal scale)
        : m_colours(c), m_scale(scale), m_image((QSizeF(size) * scale).toSize(), QImage::Format_RGB32) {
        m_screen.name = std::move(name);
        m_screen.kind = std::move(kind);
        m_image.fill(c.page);
        m_painter.begin(&m_image);
        m_painter.setRenderHint(QPainter::Antialiasing);
        m_painter.setRenderHint(QPainter::TextAntialiasing);
        m_painter.scale(scale, scale);
    }

    const Colours &colours() const { return m_colours; }
    QPainter &painter() { return m_painter; }

    // `text` in `box`, left aligned and centred vertically unless told otherwise.
    void text(QRectF box, const QString &text, int px, QColor colour, int weight = QFont::Normal,
              Role role = Role::text, Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter) {
        draw(m_painter, box, text, px, colour, weight, align);
        TruthLine line{text, scaled(box), role, {}};
        if (role == Role::sensitive || role == Role::notSensitive) {
            // The exact pixels of the value: the text painted alone.
            QImage alone(m_image.size(), QImage::Format_ARGB32_Premultiplied);
            alone.fill(Qt::transparent);
            QPainter p(&alone);
            p.setRenderHint(QPainter::TextAntialiasing);
            p.scale(m_scale, m_scale);
            draw(p, box, text, px, colour, weight, align);
            p.end();
            line.ink = inkOf(alone);
        }
        m_screen.lines.append(line);
    }

    // A button or chip with a rounded outline (filled when `fill` is valid) and its text centred.
    void outlined(QRectF box, const QString &label, int px, qreal radius, QColor fill = {}) {
        m_painter.setPen(fill.isValid() ? QPen(Qt::NoPen) : QPen(m_colours.outline, 1));
        m_painter.setBrush(fill.isValid() ? QBrush(fill) : QBrush(Qt::NoBrush));
        m_painter.drawRoundedRect(box.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
        if (label.isEmpty()) return;
        text(box, label, px, fill.isValid() ? QColor(Qt::white) : m_colours.text, QFont::Medium,
             fill.isValid() ? Role::onFill : Role::text, Qt::AlignCenter);
    }

    // A toggle switch: a pill track and a round knob, on the right when it is on.
    void toggle(QRectF box, bool on) {
        m_painter.setPen(Qt::NoPen);
        m_painter.setBrush(on ? m_colours.accent : m_colours.trackOff);
        m_painter.drawRoundedRect(box, box.height() / 2, box.height() / 2);
        const qreal d = box.height() - 4;
        m_painter.setBrush(on ? QColor(Qt::white) : m_colours.knobOff);
        m_painter.drawEllipse(QRectF(on ? box.right() - 2 - d : box.left() + 2, box.top() + 2, d, d));
    }

    void rule(QLineF line, QColor colour) {
        m_painter.setPen(QPen(colour, 1));
        m_painter.drawLine(line);
    }

    void fill(QRectF box, QColor colour, QColor border = {}) {
        m_painter.setPen(border.isValid() ? QPen(border, 1) : QPen(Qt::NoPen));
        m_painter.setBrush(colour);
        m_painter.drawRect(border.isValid() ? box.adjusted(0.5, 0.5, -0.5, -0.5) : box);
    }

    void copy(const QStringList &lines) { m_screen.copy += lines; }

    Screen render() {
        m_painter.end();
        m_screen.image = m_image;
        return m_screen;
    }

private:
    static void draw(QPainter &p, QRectF box, const QString &text, int px, QColor colour, int weight,
                     Qt::Alignment align) {
        p.setFont(fontOf(px, weight));
        p.setPen(colour);
        p.drawText(box, int(align), text);
    }

    static QRectF inkOf(const QImage &alone) {
        int left = INT_MAX, top = INT_MAX, right = -1, bottom = -1;
        for (int y = 0; y < alone.height(); ++y) {
            const QRgb *row = reinterpret_cast<const QRgb *>(alone.constScanLine(y));
            for (int x = 0; x < alone.width(); ++x) {
                if (qAlpha(row[x]) < 24) continue;
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
        return right < 0 ? QRectF() : QRectF(QPointF(left, top), QPointF(right + 1, bottom + 1));
    }

    QRectF scaled(const QRectF &r) const {
        return {r.x() * m_scale, r.y() * m_scale, r.width() * m_scale, r.height() * m_scale};
    }

    Colours m_colours;
    qreal m_scale;
    QImage m_image;
    QPainter m_painter;
    Screen m_screen;
};

QString suffix(const Colours &c, qreal scale) {
    return QStringLiteral("%1-%2x").arg(c.dark ? QStringLiteral("escuro") : QStringLiteral("claro")).arg(int(scale));
}

// A sidebar of sections down the page's left 220 pixels, `height` tall: the items every `pitch` pixels
// from `top`, the one at `current` on the accent colour.
void sidebar(Page &page, qreal height, std::initializer_list<const char *> items, int current, qreal top,
             qreal pitch) {
    const Colours &c = page.colours();
    page.fill({0, 0, 220, height}, c.bar);
    page.rule({219.5, 0, 219.5, height}, c.outline);
    qreal y = top;
    int n = 0;
    for (const char *item : items) {
        const bool chosen = n++ == current;
        if (chosen) page.fill({12, y, 196, 28}, c.accent);
        page.text({24, y, 180, 28}, QString::fromUtf8(item), 14, chosen ? QColor(Qt::white) : c.text, QFont::Medium,
                  chosen ? Role::onFill : Role::text);
        page.copy({QString::fromUtf8(item)});
        y += pitch;
    }
}

// Rows of a muted label and its value every `pitch` pixels from `y`, each copied as one line: the labels
// in `label` and the values in `value` (left and width), `height` tall. Returns where the next row goes.
template <typename Rows>
qreal labelRows(Page &page, const Rows &rows, QPointF label, QPointF value, qreal y, qreal pitch, qreal height) {
    const Colours &c = page.colours();
    for (const auto &[l, v] : rows) {
        page.text({label.x(), y, label.y(), height}, QString::fromUtf8(l), 13, c.muted);
        page.text({value.x(), y, value.y(), height}, QString::fromUtf8(v), 14, c.text, QFont::Medium);
        page.copy({QString::fromUtf8(l) + QLatin1Char(' ') + QString::fromUtf8(v)});
        y += pitch;
    }
    return y;
}

// A message in a mail client: tags, a row of outlined buttons (64 pixels tall at 2x), attachment
// chips, toggle switches beside their labels.
Screen mailScreen(const Colours &c, qreal scale) {
    Page page(QStringLiteral("botoes-") + suffix(c, scale), QStringLiteral("botoes"), QSize(900, 600), c, scale);
    page.text({32, 18, 600, 30}, QStringLiteral("Proposta comercial revisada"), 20, c.text, QFont::Bold);
    qreal x = 32;
    QStringList tags;
    for (const char *tag : {"Trabalho", "Urgente", "Cliente"}) {
        const QString t = QString::fromUtf8(tag);
        const qreal w = QFontMetricsF(fontOf(12, QFont::Medium)).horizontalAdvance(t) + 24;
        page.outlined({x, 56, w, 24}, t, 12, 12);
        tags << t;
        x += w + 8;
    }
    page.copy({QStringLiteral("Proposta comercial revisada"), tags.join(QLatin1Char(' '))});
    page.text({32, 92, 400, 20}, QStringLiteral("De: Marina Costa"), 14, c.text, QFont::Medium);
    page.text({32, 114, 400, 18}, QStringLiteral("Ontem às 16:42"), 13, c.muted);
    page.copy({QStringLiteral("De: Marina Costa"), QStringLiteral("Ontem às 16:42")});

    const std::pair<const char *, qreal> buttons[] = {
        {"Responder", 110}, {"Responder a todos", 160}, {"Encaminhar", 120}, {"Arquivar", 100}, {"Mais ações", 124}};
    QStringList row;
    x = 32;
    for (const auto &[label, w] : buttons) {
        page.outlined({x, 148, w, 32}, QString::fromUtf8(label), 13, 6);
        row << QString::fromUtf8(label);
        x += w + 10;
    }
    // The last one opens a menu: a chevron after its text.
    QPainter &p = page.painter();
    p.setPen(QPen(c.text, 1.5));
    p.drawPolyline(QPolygonF({QPointF(x - 26, 161), QPointF(x - 22, 165), QPointF(x - 18, 161)}));
    page.copy({row.join(QLatin1Char(' '))});

    const char *body[] = {"Olá, equipe!", "Segue a proposta revisada com os valores de março.",
                          "Os prazos de entrega foram ajustados conforme combinado.", "Abraços, Marina"};
    qreal y = 200;
    for (const char *line : body) {
        page.text({32, y, 700, 22}, QString::fromUtf8(line), 15, c.text);
        page.copy({QString::fromUtf8(line)});
        y += 24;
    }

    // Attachment chips 34 pixels tall (68 at 2x): a file icon, the name, the size.
    const std::pair<const char *, const char *> files[] = {{"proposta-revisada.pdf", "2,4 MB"},
                                                           {"planilha-precos.xlsx", "380 KB"}};
    x = 32;
    QStringList chips;
    for (const auto &[name, size] : files) {
        const QRectF chip(x, 312, 260, 34);
        page.outlined(chip, {}, 13, 8);
        p.setPen(QPen(c.muted, 1.2));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(x + 12, 320, 12, 16));
        page.text({x + 32, 312, 160, 34}, QString::fromUtf8(name), 13, c.text, QFont::Medium);
        page.text({x + 196, 312, 56, 34}, QString::fromUtf8(size), 12, c.muted, QFont::Normal, Role::text,
                  Qt::AlignRight | Qt::AlignVCenter);
        chips << QString::fromUtf8(name) << QString::fromUtf8(size);
        x += 272;
    }
    page.copy({chips.join(QLatin1Char(' '))});

    page.text({32, 370, 400, 24}, QStringLiteral("Preferências da conversa"), 16, c.text, QFont::DemiBold);
    page.copy({QStringLiteral("Preferências da conversa")});
    const std::pair<const char *, bool> switches[] = {
        {"Notificar novas respostas", true}, {"Marcar como importante", false}, {"Mostrar imagens externas", true}};
    y = 404;
    for (const auto &[label, on] : switches) {
        page.text({32, y, 400, 36}, QString::fromUtf8(label), 14, c.text);
        page.toggle({500, y + 7, 40, 22}, on);
        page.rule({32, y + 39.5, 540, y + 39.5}, c.outline);
        page.copy({QString::fromUtf8(label)});
        y += 40;
    }
    page.outlined({32, 540, 110, 36}, QStringLiteral("Cancelar"), 13, 6);
    page.outlined({152, 540, 150, 36}, QStringLiteral("Enviar resposta"), 13, 6, c.accent);
    page.copy({QStringLiteral("Cancelar Enviar resposta")});
    return page.render();
}

// A customer record: twelve rows of a label and its value, values alternately as plain text and in
// an outlined read-only field.
Screen recordScreen(const Colours &c, qreal scale) {
    Page page(QStringLiteral("linhas-") + suffix(c, scale), QStringLiteral("linhas"), QSize(860, 720), c, scale);
    page.text({40, 20, 600, 32}, QStringLiteral("Ficha do cliente"), 22, c.text, QFont::Bold);
    page.text({40, 56, 600, 20}, QStringLiteral("Atualizado em 12/03/2024 por Marcos Reis"), 13, c.muted);
    page.copy({QStringLiteral("Ficha do cliente"), QStringLiteral("Atualizado em 12/03/2024 por Marcos Reis")});
    const std::tuple<const char *, const char *, Role> rows[] = {
        {"Nome:", "Ana Beatriz Souza", Role::text},        {"CPF:", "123.456.789-09", Role::sensitive},
        {"Nascimento:", "14/08/1990", Role::notSensitive}, {"E-mail:", "ana.souza@exemplo.com.br", Role::sensitive},
        {"Telefone:", "(11) 98765-4321", Role::sensitive}, {"Celular:", "+55 21 99876-5432", Role::sensitive},
        {"Endereço:", "Rua das Flores, 128", Role::text},  {"Cidade:", "São Paulo - SP", Role::text},
        {"CEP:", "01310-100", Role::notSensitive},         {"Cliente desde:", "03/02/2019", Role::notSensitive},
        {"Plano:", "Empresarial anual", Role::text},       {"Situação:", "Ativo", Role::text},
    };
    page.fill({40, 92, 760, 12 * 44 + 24}, c.fill, c.outline);
    qreal y = 104;
    bool inField = false;
    for (const auto &[label, value, role] : rows) {
        page.text({64, y, 180, 36}, QString::fromUtf8(label), 13, c.muted);
        if (inField) {
            page.fill({256, y + 2, 420, 32}, c.page, c.outline);
            page.text({268, y + 2, 400, 32}, QString::fromUtf8(value), 14, c.text, QFont::Medium, role);
        } else {
            page.text({256, y, 420, 36}, QString::fromUtf8(value), 14, c.text, QFont::Medium, role);
        }
        inField = !inField;
        page.copy({QString::fromUtf8(label) + QLatin1Char(' ') + QString::fromUtf8(value)});
        y += 44;
    }
    page.outlined({40, 660, 100, 34}, QStringLiteral("Editar"), 13, 6);
    page.outlined({152, 660, 160, 34}, QStringLiteral("Exportar ficha"), 13, 6);
    page.copy({QStringLiteral("Editar Exportar ficha")});
    return page.render();
}

// Two windows tiled side by side, their title bars level, their lines at different pitches.
Screen windowsScreen(const Colours &c, qreal scale) {
    Page page(QStringLiteral("janelas-") + suffix(c, scale), QStringLiteral("janelas"), QSize(1280, 640), c, scale);
    const auto window = [&](qreal left, const QString &title, const QStringList &lines, int px, qreal pitch) {
        page.fill({left, 16, 612, 608}, c.fill, c.outline);
        page.fill({left + 1, 17, 610, 36}, c.bar);
        page.rule({left + 1, 52.5, left + 611, 52.5}, c.outline);
        page.text({left + 16, 17, 400, 36}, title, 13, c.text, QFont::DemiBold);
        page.copy({title});
        qreal y = 72;
        for (const QString &line : lines) {
            page.text({left + 24, y, 560, pitch - 4}, line, px, c.text);
            page.copy({line});
            y += pitch;
        }
    };
    window(16, QStringLiteral("Notas da reunião"),
           {QStringLiteral("Reunião de planejamento 12/03"), QStringLiteral("Participantes: Ana, Bruno e Carla"),
            QStringLiteral("Revisar o orçamento do segundo trimestre"),
            QStringLiteral("Definir a data de lançamento do aplicativo"),
            QStringLiteral("Contratar mais duas pessoas para o suporte"),
            QStringLiteral("Próxima reunião na quinta-feira às 10h"), QStringLiteral("Levar os números de vendas"),
            QStringLiteral("Confirmar a sala com a recepção")},
           14, 26);
    window(652, QStringLiteral("Tarefas"),
           {QStringLiteral("Enviar contrato assinado"), QStringLiteral("Atualizar a planilha de custos"),
            QStringLiteral("Ligar para o fornecedor de papel"), QStringLiteral("Preparar a apresentação de sexta"),
            QStringLiteral("Responder os e-mails pendentes"), QStringLiteral("Pagar a fatura de energia")},
           15, 34);
    return page.render();
}

// A settings window: a sidebar of sections (the current one on the accent colour) beside a form of
// label and value rows under its title, and a plan card on the right. With `sameRhythm` the sidebar's
// items fall on the form's rows, one by one; else they are set closer and mostly fall between them.
Screen sidebarScreen(const Colours &c, qreal scale, bool sameRhythm) {
    Page page(
        QStringLiteral("barra-%1-").arg(sameRhythm ? QStringLiteral("ritmo-igual") : QStringLiteral("ritmo-outro")) +
            suffix(c, scale),
        QStringLiteral("barra"), QSize(1100, 520), c, scale);
    sidebar(page, 520, {"Geral", "Conta", "Pagamentos", "Notificações", "Privacidade", "Integrações", "Sair"}, 1,
            sameRhythm ? 76 : 70, sameRhythm ? 44 : 34);
    page.text({260, 20, 400, 34}, QStringLiteral("Preferências"), 22, c.text, QFont::Bold);
    page.copy({QStringLiteral("Preferências")});
    const std::pair<const char *, const char *> rows[] = {
        {"Idioma", "Português (Brasil)"}, {"Fuso horário", "São Paulo (GMT-3)"},
        {"Moeda", "Real (R$)"},           {"Formato de data", "dd/mm/aaaa"},
        {"Primeiro dia", "Domingo"},      {"Tema", "Automático"},
        {"Tamanho do texto", "Médio"},    {"Atalhos", "Ativados"}};
    labelRows(page, rows, {260, 150}, {420, 260}, 76, 44, 28);
    page.fill({760, 76, 300, 170}, c.fill, c.outline);
    page.text({784, 96, 240, 18}, QStringLiteral("Plano atual"), 12, c.muted);
    page.text({784, 118, 240, 28}, QStringLiteral("Pro mensal"), 20, c.text, QFont::Bold);
    page.text({784, 154, 240, 22}, QStringLiteral("R$ 49,90 por mês"), 15, c.text, QFont::Medium);
    page.text({784, 180, 260, 20}, QStringLiteral("Próxima cobrança em 05/04/2024"), 13, c.muted);
    page.copy({QStringLiteral("Plano atual"), QStringLiteral("Pro mensal"), QStringLiteral("R$ 49,90 por mês"),
               QStringLiteral("Próxima cobrança em 05/04/2024")});
    return page.render();
}

// A dark settings page: a sidebar of sections beside cards of options on the sidebar's rhythm, one
// of label and value rows, one of options with their switches at the card's right end, one of check
// boxes before their labels.
Screen switchesScreen(qreal scale) {
    const Colours &c = kDarkColours;
    Page page(QStringLiteral("interruptores-") + suffix(c, scale), QStringLiteral("interruptores"), QSize(1100, 600),
              c, scale);
    sidebar(page, 600, {"Geral", "Conta", "Notificações", "Privacidade", "Aparência", "Integrações", "Ajuda"}, 2, 76,
            40);
    page.text({260, 20, 500, 34}, QStringLiteral("Configurações"), 22, c.text, QFont::Bold);
    page.copy({QStringLiteral("Configurações")});
    // Cards of `rows` rows 40 pixels apart from `top`, the first its title.
    const auto card = [&](qreal top, const QString &title, int rows) {
        page.fill({260, top - 6, 800, 40.0 * rows + 4}, c.fill, c.outline);
        page.text({284, top, 400, 28}, title, 16, c.text, QFont::DemiBold);
        page.copy({title});
    };
    card(76, QStringLiteral("Perfil"), 4);
    const std::pair<const char *, const char *> values[] = {
        {"Nome de exibição", "Marina Costa"}, {"Idioma", "Português (Brasil)"}, {"Fuso horário", "São Paulo (GMT-3)"}};
    qreal y = labelRows(page, values, {284, 180}, {480, 300}, 116, 40, 28);
    card(y, QStringLiteral("Notificações por e-mail"), 5);
    y += 40;
    for (const auto &[label, on] : {std::pair{"Resumo semanal da conta", true},
                                    {"Novos comentários nas tarefas", true},
                                    {"Convites para projetos", false},
                                    {"Alertas de segurança", true}}) {
        page.text({284, y, 500, 28}, QString::fromUtf8(label), 14, c.text);
        // An outlined track with a small knob when off, filled with a large one when on.
        QPainter &p = page.painter();
        const QRectF track(990, y + 3, 44, 22);
        p.setPen(on ? QPen(Qt::NoPen) : QPen(c.muted, 2));
        p.setBrush(on ? QBrush(c.accent) : QBrush(Qt::NoBrush));
        p.drawRoundedRect(track.adjusted(1, 1, -1, -1), 10, 10);
        p.setPen(Qt::NoPen);
        p.setBrush(on ? QColor(Qt::white) : c.muted);
        p.drawEllipse(on ? QRectF(track.right() - 20, y + 6, 16, 16) : QRectF(track.left() + 6, y + 9, 10, 10));
        page.copy({QString::fromUtf8(label)});
        y += 40;
    }
    card(y, QStringLiteral("Lembretes"), 3);
    y += 40;
    QPainter &p = page.painter();
    for (const auto &[label, on] : {std::pair{"Incluir tarefas atrasadas", true}, {"Incluir menções", false}}) {
        // A check box: a rounded square, filled and ticked when checked.
        const QRectF box(284, y + 6, 16, 16);
        p.setPen(on ? QPen(Qt::NoPen) : QPen(c.muted, 1.5));
        p.setBrush(on ? QBrush(c.accent) : QBrush(Qt::NoBrush));
        p.drawRoundedRect(box.adjusted(0.75, 0.75, -0.75, -0.75), 3, 3);
        if (on) {
            p.setPen(QPen(Qt::white, 2));
            p.drawPolyline(QPolygonF({QPointF(288, y + 14), QPointF(291, y + 17), QPointF(297, y + 10)}));
        }
        page.text({312, y, 500, 28}, QString::fromUtf8(label), 14, c.text);
        page.copy({QString::fromUtf8(label)});
        y += 40;
    }
    return page.render();
}

// An account page: a top bar with the product's name and, at its right end, the user's avatar and
// name; a form of personal data with a help card beside it; a card across the page under both, and a
// footer.
Screen helpCardScreen(const Colours &c, qreal scale) {
    Page page(QStringLiteral("cartao-") + suffix(c, scale), QStringLiteral("cartao"), QSize(1100, 700), c, scale);
    page.fill({0, 0, 1100, 56}, c.bar);
    page.rule({0, 55.5, 1100, 55.5}, c.outline);
    page.text({24, 0, 300, 56}, QStringLiteral("Central do cliente"), 16, c.text, QFont::Bold);
    QPainter &p = page.painter();
    p.setPen(Qt::NoPen);
    p.setBrush(c.accent);
    p.drawEllipse(QRectF(932, 12, 32, 32));
    page.text({932, 12, 32, 32}, QStringLiteral("MC"), 12, Qt::white, QFont::DemiBold, Role::onFill, Qt::AlignCenter);
    page.text({974, 0, 110, 56}, QStringLiteral("Marina Costa"), 14, c.text, QFont::Medium, Role::avatarName);
    page.copy({QStringLiteral("Central do cliente Marina Costa")});

    page.text({40, 76, 400, 34}, QStringLiteral("Minha conta"), 22, c.text, QFont::Bold);
    page.copy({QStringLiteral("Minha conta")});
    page.fill({40, 124, 660, 264}, c.fill, c.outline);
    page.text({64, 140, 400, 24}, QStringLiteral("Dados pessoais"), 16, c.text, QFont::DemiBold);
    page.copy({QStringLiteral("Dados pessoais")});
    const std::pair<const char *, const char *> rows[] = {{"Nome completo", "Marina Alves Costa"},
                                                          {"E-mail", "marina.costa@exemplo.com"},
                                                          {"Telefone", "(11) 91234-5678"},
                                                          {"Nascimento", "22/07/1988"},
                                                          {"Cidade", "Campinas - SP"}};
    labelRows(page, rows, {64, 160}, {240, 420}, 180, 40, 32);
    page.fill({724, 124, 336, 176}, c.fill, c.outline);
    page.text({748, 142, 290, 24}, QStringLiteral("Precisa de ajuda?"), 15, c.text, QFont::DemiBold);
    page.text({748, 178, 290, 20}, QStringLiteral("Nossa equipe responde pelo chat"), 13, c.muted);
    page.text({748, 200, 290, 20}, QStringLiteral("de segunda a sexta, das 8h às 18h."), 13, c.muted);
    page.outlined({748, 240, 120, 34}, QStringLiteral("Abrir chat"), 13, 6);
    page.copy({QStringLiteral("Precisa de ajuda?"), QStringLiteral("Nossa equipe responde pelo chat"),
               QStringLiteral("de segunda a sexta, das 8h às 18h."), QStringLiteral("Abrir chat")});

    page.fill({40, 412, 1020, 128}, c.fill, c.outline);
    page.text({64, 430, 400, 24}, QStringLiteral("Segurança"), 16, c.text, QFont::DemiBold);
    page.text({64, 466, 900, 20}, QStringLiteral("Sua senha foi alterada há 3 meses."), 13, c.text);
    page.text({64, 490, 900, 20}, QStringLiteral("Ative a verificação em duas etapas para proteger sua conta."), 13,
              c.text);
    page.copy({QStringLiteral("Segurança"), QStringLiteral("Sua senha foi alterada há 3 meses."),
               QStringLiteral("Ative a verificação em duas etapas para proteger sua conta.")});
    page.rule({0, 619.5, 1100, 619.5}, c.outline);
    page.text({40, 636, 700, 24}, QStringLiteral("Central do cliente · Termos de uso · Privacidade"), 12, c.muted);
    page.copy({QStringLiteral("Central do cliente · Termos de uso · Privacidade")});
    return page.render();
}

// A round icon: a ring with a dot at its middle, as an info or status mark draws it.
void ringIcon(QPainter &p, QPointF centre, qreal radius, QColor colour) {
    p.setPen(QPen(colour, 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(centre, radius, radius);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawEllipse(centre, radius / 3, radius / 3);
}

// A chevron pointing right, as a row that opens a page ends with.
void chevron(QPainter &p, QPointF at, QColor colour) {
    p.setPen(QPen(colour, 1.8));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF({at + QPointF(0, -5), at + QPointF(5, 0), at + QPointF(0, 5)}));
}

// Two columns side by side on one rhythm: a list of an account's pages, each after its icon, and the
// account's summary rows of a label and a value, each ending in a chevron.
Screen twoColumnsScreen(const Colours &c, qreal scale) {
    Page page(QStringLiteral("colunas-") + suffix(c, scale), QStringLiteral("colunas"), QSize(1000, 420), c, scale);
    QPainter &p = page.painter();
    page.text({24, 20, 300, 30}, QStringLiteral("Sua conta"), 20, c.text, QFont::Bold);
    page.copy({QStringLiteral("Sua conta")});
    qreal y = 72;
    for (const char *item : {"Visão geral", "Faturas", "Pagamentos", "Relatórios", "Usuários", "Suporte"}) {
        ringIcon(p, {32, y + 14}, 7, c.muted);
        page.text({48, y, 200, 28}, QString::fromUtf8(item), 14, c.text, QFont::Medium);
        page.copy({QString::fromUtf8(item)});
        y += 44;
    }
    page.fill({320, 64, 656, 44 * 6 + 16}, c.fill, c.outline);
    const std::pair<const char *, const char *> rows[] = {
        {"Plano", "Pro mensal"},         {"Próxima fatura", "05/04/2024"}, {"Valor", "R$ 49,90"},
        {"Forma de pagamento", "Boleto"}, {"Usuários ativos", "12 de 20"},  {"Armazenamento", "38 GB de 100 GB"}};
    y = 72;
    for (const auto &[label, value] : rows) {
        page.text({344, y, 180, 28}, QString::fromUtf8(label), 13, c.muted);
        page.text({536, y, 300, 28}, QString::fromUtf8(value), 14, c.text, QFont::Medium);
        chevron(p, {948, y + 14}, c.muted);
        page.copy({QString::fromUtf8(label) + QLatin1Char(' ') + QString::fromUtf8(value)});
        y += 44;
    }
    return page.render();
}

// A form of personal data beside the steps of filling it in: each field an outlined box with its value
// and, at its right end, an icon.
Screen personalDataScreen(const Colours &c, qreal scale) {
    Page page(QStringLiteral("cadastro-") + suffix(c, scale), QStringLiteral("cadastro"), QSize(1000, 480), c, scale);
    QPainter &p = page.painter();
    page.fill({0, 0, 220, 480}, c.bar);
    page.text({24, 20, 190, 30}, QStringLiteral("Cadastro"), 20, c.text, QFont::Bold);
    page.copy({QStringLiteral("Cadastro")});
    qreal y = 80;
    for (const char *step : {"1. Dados pessoais", "2. Endereço", "3. Documentos", "4. Pagamento", "5. Revisão"}) {
        page.text({24, y, 190, 28}, QString::fromUtf8(step), 14, c.text, QFont::Medium);
        page.copy({QString::fromUtf8(step)});
        y += 48;
    }
    page.text({260, 20, 500, 30}, QStringLiteral("Dados pessoais"), 20, c.text, QFont::Bold);
    page.copy({QStringLiteral("Dados pessoais")});
    const std::pair<const char *, const char *> fields[] = {{"Nome", "Ana Beatriz Souza"},
                                                            {"Nascimento", "14/08/1990"},
                                                            {"Estado civil", "Casada"},
                                                            {"Profissão", "Arquiteta"},
                                                            {"Nacionalidade", "Brasileira"},
                                                            {"Celular", "+55 21 99876-5432"}};
    y = 80;
    for (const auto &[label, value] : fields) {
        page.text({260, y, 140, 28}, QString::fromUtf8(label), 13, c.muted);
        page.fill({420, y - 4, 520, 36}, c.page, c.outline);
        page.text({432, y, 400, 28}, QString::fromUtf8(value), 14, c.text, QFont::Medium);
        ringIcon(p, {916, y + 14}, 8, c.muted);
        page.copy({QString::fromUtf8(label) + QLatin1Char(' ') + QString::fromUtf8(value)});
        y += 48;
    }
    return page.render();
}

} // namespace

QList<Screen> layoutScreens() {
    QList<Screen> screens;
    for (const qreal scale : {1.0, 2.0}) {
        for (const Colours *c : {&kLightColours, &kDarkColours}) screens.append(mailScreen(*c, scale));
    }
    screens.append(recordScreen(kLightColours, 1));
    screens.append(recordScreen(kDarkColours, 2));
    screens.append(windowsScreen(kLightColours, 1));
    screens.append(windowsScreen(kDarkColours, 2));
    screens.append(sidebarScreen(kLightColours, 1, true));
    screens.append(sidebarScreen(kDarkColours, 2, false));
    for (const qreal scale : {1.0, 2.0}) screens.append(switchesScreen(scale));
    screens.append(helpCardScreen(kLightColours, 1));
    screens.append(helpCardScreen(kDarkColours, 2));
    screens.append(twoColumnsScreen(kLightColours, 2));
    screens.append(twoColumnsScreen(kDarkColours, 2));
    screens.append(personalDataScreen(kLightColours, 2));
    screens.append(personalDataScreen(kDarkColours, 1));
    return screens;
}

int duplicatedLines(const QList<platform::TextLine> &read) {
    const auto area = [](const QRectF &r) { return r.width() * r.height(); };
    QList<qsizetype> extra;
    for (qsizetype i = 0; i < read.size(); ++i) {
        for (qsizetype j = i + 1; j < read.size(); ++j) {
            const QRectF &a = read[i].box, &b = read[j].box;
            if (2 * area(a.intersected(b)) < std::min(area(a), area(b))) continue;
            const qsizetype larger = area(a) >= area(b) ? i : j;
            if (!extra.contains(larger)) extra.append(larger);
        }
    }
    return int(extra.size());
}

int phantomLines(const Screen &screen, const QList<platform::TextLine> &read) {
    return int(std::count_if(read.begin(), read.end(), [&](const platform::TextLine &line) {
        return std::none_of(screen.lines.begin(), screen.lines.end(), [&](const TruthLine &truth) {
            return truth.box.adjusted(-3, -3, 3, 3).contains(line.box.center());
        });
    }));
}

Order orderOf(const Screen &screen, const QString &copied) {
    // A copied line holds an expected one whole when at least three quarters of the words of each
    // are in the other (a word misread here and there is the reading's fault, not the order's, and so
    // is an icon read as a symbol: words without a letter or digit do not count).
    const auto words = [](const QString &s) {
        QStringList w = s.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        w.removeIf([](const QString &word) {
            return std::none_of(word.begin(), word.end(), [](QChar c) { return c.isLetterOrNumber(); });
        });
        return w;
    };
    const auto shared = [](QStringList a, const QStringList &b) {
        int n = 0;
        for (const QString &w : b) n += a.removeOne(w) ? 1 : 0;
        return n;
    };
    const QStringList got = copied.split(QLatin1Char('\n'));
    Order order;
    order.lines = int(screen.copy.size());
    std::vector<qsizetype> where; // the copied line of each expected line held whole, in expected order
    for (const QString &expected : screen.copy) {
        const QStringList e = words(expected);
        for (qsizetype i = 0; i < got.size(); ++i) {
            const QStringList g = words(got[i]);
            const int n = shared(g, e);
            if (4 * n >= 3 * e.size() && 4 * n >= 3 * g.size()) {
                where.push_back(i);
                break;
            }
        }
    }
    order.whole = int(where.size());
    // The longest increasing run of positions.
    std::vector<qsizetype> tails;
    for (const qsizetype w : where) {
        const auto it = std::lower_bound(tails.begin(), tails.end(), w);
        if (it == tails.end()) {
            tails.push_back(w);
        } else {
            *it = w;
        }
    }
    order.inOrder = int(tails.size());
    return order;
}

} // namespace corpus
