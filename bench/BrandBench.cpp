#include "brand/BrandImporter.h"
#include "brand/LogoLoader.h"
#include "core/Exporter.h"
#include "platform/HeifCodec.h"

#include <QBuffer>
#include <QPageSize>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>

#include <benchmark/benchmark.h>

namespace {

// A wordmark with a round emblem, drawn on a plain white field: what a user's logo file usually is.
void drawLogo(QPainter &p, QSizeF size) {
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(QRectF(QPointF(), size), Qt::white);
    const double h = size.height();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x6E5BD8));
    p.drawEllipse(QRectF(0.1 * h, 0.1 * h, 0.8 * h, 0.8 * h));
    p.setBrush(QColor(0xF29BC4));
    p.drawEllipse(QRectF(0.35 * h, 0.35 * h, 0.3 * h, 0.3 * h));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(int(0.5 * h));
    font.setBold(true);
    QPainterPath word;
    word.addText(QPointF(1.1 * h, 0.68 * h), font, QStringLiteral("Pelicarta"));
    p.setBrush(QColor(0x15121F));
    p.drawPath(word);
}

QImage logoImage() {
    QImage image(4000, 1000, QImage::Format_RGB32);
    QPainter p(&image);
    drawLogo(p, image.size());
    return image;
}

QByteArray pdfLogo() {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setPageSize(QPageSize(QSizeF(400, 100), QPageSize::Point));
    writer.setPageMargins({});
    writer.setResolution(72);
    QPainter p(&writer);
    drawLogo(p, QSizeF(400, 100));
    p.end();
    return buffer.data();
}

const char svgLogo[] = R"svg(<svg xmlns="http://www.w3.org/2000/svg" width="400" height="100" viewBox="0 0 400 100">
<rect width="400" height="100" fill="#fff"/><circle cx="50" cy="50" r="40" fill="#6E5BD8"/>
<circle cx="50" cy="50" r="15" fill="#F29BC4"/>
<path d="M110 25h30q20 0 20 18t-20 18h-14v14h-16zM126 38v11h12q6 0 6-5.5t-6-5.5z" fill="#15121F"/>
<path d="M170 25h45v13h-29v6h26v12h-26v6h30v13h-46z" fill="#15121F"/>
<path d="M225 25h16v37h28v13h-44z" fill="#15121F"/></svg>)svg";

const char epsLogo[] = "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 400 100\n"
                       "1 setgray 0 0 400 100 rectfill\n"
                       "0.43 0.36 0.85 setrgbcolor 50 50 40 0 360 arc fill\n"
                       "0.95 0.61 0.77 setrgbcolor 50 50 15 0 360 arc fill\n"
                       "0.08 0.07 0.12 setrgbcolor /Helvetica-Bold findfont 50 scalefont setfont\n"
                       "110 32 moveto (Pelicarta) show\nshowpage\n";

void loadLogo(benchmark::State &state, const QByteArray &bytes, const QString &name) {
    // Documents are drawn by the program's own render process, started for each of them.
    LogoLoader::Options options;
    options.renderer.program = {QStringLiteral(PELICARTA_PROGRAM), {QStringLiteral("--render-logo")}};
    for (auto _ : state) {
        const LogoLoader::Outcome outcome = LogoLoader::loadData(bytes, name, options);
        if (!outcome.succeeded()) {
            state.SkipWithError(outcome.message.toStdString().c_str());
            return;
        }
        benchmark::DoNotOptimize(outcome.image.constBits());
    }
}

void BM_LogoLoad_Raster(benchmark::State &state, const char *format) {
    static const QImage logo = logoImage();
    const QByteArray bytes = Exporter::encodeWithQt(logo, format).value();
    loadLogo(state, bytes, QStringLiteral("logo.") + QString::fromLatin1(format));
}
BENCHMARK_CAPTURE(BM_LogoLoad_Raster, png_4000x1000, "png")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_LogoLoad_Raster, jpeg_4000x1000, "jpeg")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_LogoLoad_Raster, webp_4000x1000, "webp")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_LogoLoad_Raster, tiff_4000x1000, "tiff")->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LogoLoad_Heic(benchmark::State &state) {
    loadLogo(state, platform::HeifCodec::encode(logoImage(), 0.9).value(), QStringLiteral("logo.heic"));
}
BENCHMARK(BM_LogoLoad_Heic)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LogoLoad_Svg(benchmark::State &state) { loadLogo(state, svgLogo, QStringLiteral("logo.svg")); }
BENCHMARK(BM_LogoLoad_Svg)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LogoLoad_Pdf(benchmark::State &state) { loadLogo(state, pdfLogo(), QStringLiteral("logo.pdf")); }
BENCHMARK(BM_LogoLoad_Pdf)->Unit(benchmark::kMillisecond)->UseRealTime();

// Through the gs program, process start included.
void BM_LogoLoad_EpsGhostscript(benchmark::State &state) { loadLogo(state, epsLogo, QStringLiteral("logo.eps")); }
BENCHMARK(BM_LogoLoad_EpsGhostscript)->Unit(benchmark::kMillisecond)->UseRealTime();

// A 5 MB style sheet of the usual kind: rules with colours, custom properties, the odd font family.
QByteArray largeCss() {
    QByteArray css;
    for (int i = 0; css.size() < 5'000'000; ++i) {
        css += QStringLiteral(".card-%1 {\n  color: #%2;\n  background: #%3;\n  border: 1px solid #%4;\n"
                              "  padding: %5px 12px;\n  font-size: 14px;\n}\n--token-%1: #%2;\n")
                   .arg(i)
                   .arg((i * 2654435761u) & 0xFFFFFF, 6, 16, QLatin1Char('0'))
                   .arg((i * 40503u) & 0xFFFFFF, 6, 16, QLatin1Char('0'))
                   .arg((i * 69069u) & 0xFFF, 3, 16, QLatin1Char('0'))
                   .arg(i % 24)
                   .toUtf8();
        if (i == 1000) css += "body { font-family: \"Inter\", sans-serif; }\n";
    }
    return css;
}

// A 5 MB token file: groups of colour tokens with types and descriptions, and a font family.
QByteArray largeJson() {
    QByteArray json = R"({"font":{"family":{"$value":["Inter","sans-serif"]}},"color":{)";
    for (int i = 0; json.size() < 5'000'000; ++i) {
        if (i) json += ',';
        json += QStringLiteral(R"("group-%1":{"base":{"$value":"#%2","$type":"color"},)"
                               R"("muted":{"$value":"#%3","$type":"color","$description":"Muted tone %1"}})")
                    .arg(i)
                    .arg((i * 2654435761u) & 0xFFFFFF, 6, 16, QLatin1Char('0'))
                    .arg((i * 40503u) & 0xFFFFFF, 6, 16, QLatin1Char('0'))
                    .toUtf8();
    }
    json += "}}";
    return json;
}

void BM_Import(benchmark::State &state, QByteArray (*make)()) {
    const QByteArray bytes = make();
    for (auto _ : state) {
        const BrandImporter::Result result = BrandImporter::parseData(bytes);
        if (result.colorCount == 0) {
            state.SkipWithError("nothing found");
            return;
        }
        benchmark::DoNotOptimize(result.primary);
    }
}
BENCHMARK_CAPTURE(BM_Import, css_5MB, largeCss)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Import, json_5MB, largeJson)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
