#include "brand/LogoLoader.h"

#include "brand/Log.h"
#include "brand/LogoPicture.h"
#include "brand/art/PixelCanvas.h"
#include "core/Localization.h"

#include "platform/RegularFile.h"

#include <QFileInfo>

#include <algorithm>
#include <vector>

namespace LogoLoader {

namespace {

// Every logo is drawn to fit this box.
constexpr QSize logoBox(1600, 600);

Outcome failure(const QString &message) { return {QImage(), QString(), message}; }

QString openMessage(const QString &name) { return L(LKey("Não consegui abrir %@.", {name})); }
QString rasterMessage(const QString &name) {
    return L(LKey("Não consegui abrir %@ como imagem. Tente PNG, SVG, PDF ou JPEG.", {name}));
}
QString vectorMessage(const QString &ext) {
    return L(LKey("O macOS não consegue ler este %@. No Illustrator, use Salvar como › SVG ou PDF (ou AI com "
                  "“Criar arquivo compatível com PDF”) e tente de novo.",
                  {ext.toUpper()}));
}

// The TIFF preview a DOS EPS file carries, read like any image.
std::optional<LogoPicture> epsPreview(const QByteArray &bytes) {
    const auto part = platform::Ghostscript::dosEpsPart(bytes, 20);
    if (!part) return std::nullopt;
    QImage preview = LogoPictures::readBitmap(*part, "tiff", logoBox);
    if (preview.isNull()) return std::nullopt;
    return LogoPicture{std::move(preview), {}, {}};
}

// The document drawn by the render process: a bitmap already fitted to the logo box, or none (with
// `stopped` set when the process was stopped or failed on it, rather than finding no such document).
std::optional<LogoPicture> renderedDocument(LogoRenderFrames::Kind kind, const QByteArray &bytes,
                                            const Options &options, bool *stopped) {
    using Outcome = LogoRenderProcess::Result::Outcome;
    const LogoRenderProcess::Result result =
        LogoRenderProcess::render({kind, logoBox, options.ghostscript.program, 0, bytes}, options.renderer);
    if (result.outcome == Outcome::drawn) return LogoPicture{result.image, {}, {}};
    if (result.outcome != Outcome::unreadable) {
        qCWarning(lcBrand, "a logo document was refused: the render process %s", qPrintable(result.detail));
        *stopped = true;
    }
    return std::nullopt;
}

// What the platform makes of the bytes as an image: a document drawn by the render process, else a
// raster picture. None when it cannot, or when drawing the document failed or reached a limit.
std::optional<LogoPicture> readImage(const QByteArray &bytes, const QByteArray &hint, const Options &options) {
    if (const auto kind = LogoPictures::documentKind(bytes, hint)) {
        bool stopped = false;
        if (auto picture = renderedDocument(*kind, bytes, options, &stopped)) return picture;
        if (stopped) return std::nullopt;
    }
    return LogoPictures::readRaster(bytes, hint, logoBox);
}

// The bitmap shrunk to fit the logo box (documents come drawn to touch it already); null when it
// cannot be.
QImage rasterize(const QImage &bitmap) {
    constexpr auto format = QImage::Format_RGBA8888_Premultiplied;
    const QSize target = LogoPictures::fittedSize(bitmap.size(), logoBox, false);
    if (!target.isValid()) return {};
    if (target == bitmap.size()) return bitmap.convertToFormat(format);
    return bitmap.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).convertToFormat(format);
}

int difference(const PixelCanvas::Rgba &a, const PixelCanvas::Rgba &b) {
    return std::max({std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b)});
}

// The bitmap with the plain background that surrounds the drawing made transparent (its edge made
// partly so), found by a fill from the border; none when the corners disagree or the fill cleared
// too little to be a background.
std::optional<QImage> clearSolidBackground(const QImage &bitmap) {
    const auto canvas = PixelCanvas::make(bitmap);
    if (!canvas) return std::nullopt;
    const int w = canvas->width(), h = canvas->height();
    const PixelCanvas::Rgba reference = canvas->rgba(0, 0);
    for (const auto &[x, y] : {std::pair{0, 0}, std::pair{w - 1, 0}, std::pair{0, h - 1}, std::pair{w - 1, h - 1}}) {
        const PixelCanvas::Rgba corner = canvas->rgba(x, y);
        if (corner.a != 255 || difference(corner, reference) > 12) return std::nullopt;
    }

    std::vector<uint8_t> visited(size_t(w) * size_t(h), 0);
    std::vector<qsizetype> stack;
    stack.reserve(4 * size_t(w + h));
    for (int x = 0; x < w; ++x) {
        stack.push_back(x);
        stack.push_back(qsizetype(h - 1) * w + x);
    }
    for (int y = 0; y < h; ++y) {
        stack.push_back(qsizetype(y) * w);
        stack.push_back(qsizetype(y) * w + w - 1);
    }
    qsizetype cleared = 0;
    while (!stack.empty()) {
        const qsizetype i = stack.back();
        stack.pop_back();
        if (visited[size_t(i)]) continue;
        visited[size_t(i)] = 1;
        const int x = int(i % w), y = int(i / w);
        const PixelCanvas::Rgba pixel = canvas->rgba(x, y);
        const int d = difference(pixel, reference);
        if (pixel.a != 255 || d > 45) continue;
        if (d >= 19) { // the drawing's antialiased edge: partly transparent, and the fill stops here
            canvas->set(x, y, (d - 18) * 255 / 28);
            continue;
        }
        canvas->set(x, y, 0);
        ++cleared;
        const auto push = [&](qsizetype n) {
            if (!visited[size_t(n)]) stack.push_back(n);
        };
        if (x > 0) push(i - 1);
        if (x < w - 1) push(i + 1);
        if (y > 0) push(i - w);
        if (y < h - 1) push(i + w);
    }
    if (cleared <= qsizetype(w) * h / 20) return std::nullopt;
    return canvas->image();
}

// The bitmap cut to what is drawn (alpha 9 or more) plus 2 pixels; none when nothing is drawn.
std::optional<QImage> trimTransparent(const QImage &bitmap) {
    // Read in place: the bitmaps here are already in the canvas layout.
    const QImage canvas = bitmap.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
    if (canvas.isNull()) return bitmap;
    const int w = canvas.width(), h = canvas.height();
    int left = w, right = -1, top = h, bottom = -1;
    for (int y = 0; y < h; ++y) {
        const uchar *p = canvas.constScanLine(y);
        for (int x = 0; x < w; ++x, p += 4) {
            if (p[3] < 9) continue;
            left = std::min(left, x), right = std::max(right, x);
            top = std::min(top, y), bottom = std::max(bottom, y);
        }
    }
    if (right < 0) return std::nullopt;
    left = std::max(0, left - 2), top = std::max(0, top - 2);
    right = std::min(w - 1, right + 2), bottom = std::min(h - 1, bottom + 2);
    if (left == 0 && top == 0 && right == w - 1 && bottom == h - 1) return canvas;
    return canvas.copy(left, top, right - left + 1, bottom - top + 1);
}

} // namespace

Outcome load(const QString &path, const Options &options) {
    // Only a regular file: a FIFO or a device under a logo's name would block or never end.
    const QString name = QFileInfo(path).fileName();
    const platform::RegularFile::Read file = platform::RegularFile::read(path, LogoPictures::maxFileBytes);
    if (file.status != platform::RegularFile::Status::ok) return failure(openMessage(name));
    return loadData(file.bytes, name, options);
}

Outcome loadData(const QByteArray &bytes, const QString &fileName, const Options &options) {
    const QString ext = QFileInfo(fileName).suffix().toLower();
    const bool vector =
        QStringList{QStringLiteral("ai"), QStringLiteral("eps"), QStringLiteral("epsf"), QStringLiteral("ps")}.contains(
            ext);
    if (bytes.isEmpty() || bytes.size() > LogoPictures::maxFileBytes) return failure(openMessage(fileName));

    const QString epsNote = L("Usei a prévia que vem dentro do EPS, que tem resolução baixa. Para um logo nítido, "
                              "exporte como SVG ou PDF.");
    const QByteArray hint = ext.toLatin1();
    std::optional<LogoPicture> picture;
    QString note;
    if (bytes.startsWith("%PDF")) {
        bool stopped = false;
        picture = renderedDocument(LogoRenderFrames::Kind::pdf, bytes, options, &stopped);
        if (stopped) return failure(vector ? vectorMessage(ext) : rasterMessage(fileName));
    }
    if (!picture && vector) {
        if ((picture = epsPreview(bytes))) note = epsNote;
        else picture = readImage(bytes, hint, options);
        if (!picture) return failure(vectorMessage(ext));
    } else if (!picture) {
        picture = readImage(bytes, hint, options);
        if (!picture && (picture = epsPreview(bytes))) note = epsNote;
        if (!picture) return failure(rasterMessage(fileName));
    }

    QImage bitmap = rasterize(picture->bitmap);
    if (bitmap.isNull()) return failure(vector ? vectorMessage(ext) : rasterMessage(fileName));
    if (auto cleared = clearSolidBackground(bitmap)) {
        bitmap = std::move(*cleared);
        if (note.isEmpty()) note = L("Tirei o fundo liso do logo para ele ficar transparente.");
    }
    auto trimmed = trimTransparent(bitmap);
    if (!trimmed) return failure(L(LKey("%@ parece vazio: não encontrei nada desenhado nele.", {fileName})));
    return {std::move(*trimmed), note, QString()};
}

} // namespace LogoLoader
