#include "pagetext/WordRecheck.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace WordRecheck {

namespace {

using platform::TextLine;

// Words read with less confidence are read again. Tesseract itself tries another language on a word
// below a certainty of -2.5, a confidence of 87.5; on the corpus 85 finds every word 88 does with a
// few re-reads less, and 80 starts to miss some.
constexpr int kSure = 85;

// Replaces words [first, end) of `line` by `by` (text, glyphs and words starting at 0).
void replaceWords(TextLine &line, qsizetype first, qsizetype end, const TextLine &by) {
    const qsizetype from = line.words[first].start;
    const qsizetype to = line.words[end - 1].start + line.words[end - 1].length;
    const qsizetype shift = by.text.size() - (to - from);
    const auto rebuilt = [&](const auto &old, const auto &inserted) {
        std::remove_cvref_t<decltype(old)> out;
        for (const auto &item : old) {
            if (item.start < from) out.append(item);
        }
        for (auto item : inserted) {
            item.start += from;
            out.append(item);
        }
        for (auto item : old) {
            if (item.start < to) continue;
            item.start += shift;
            out.append(item);
        }
        return out;
    };
    line.glyphs = rebuilt(line.glyphs, by.glyphs);
    line.words = rebuilt(line.words, by.words);
    line.text.replace(from, to - from, by.text);
}

// What `reread` holds inside `cut`, left to right, moved to the line image's pixels.
TextLine readIn(const Strip::Cut &cut, const QList<TextLine> &reread) {
    std::vector<std::pair<const TextLine *, const TextLine::Word *>> words;
    for (const TextLine &line : reread) {
        for (const TextLine::Word &w : line.words) {
            const qreal x = w.box.center().x();
            if (x >= cut.at && x < cut.at + (cut.to - cut.from)) words.emplace_back(&line, &w);
        }
    }
    std::stable_sort(words.begin(), words.end(),
                     [](const auto &a, const auto &b) { return a.second->box.left() < b.second->box.left(); });
    const qreal dx = cut.from - cut.at;
    TextLine found;
    for (const auto &[line, w] : words) {
        if (!found.text.isEmpty()) found.text += QLatin1Char(' ');
        const qsizetype offset = found.text.size() - w->start;
        for (TextLine::Glyph g : line->glyphs) {
            if (g.start < w->start || g.start >= w->start + w->length) continue;
            g.start += offset;
            g.box.translate(dx, 0);
            found.glyphs.append(g);
        }
        found.words.append({found.text.size(), w->length, w->box.translated(dx, 0), w->confidence});
        found.text += line->text.mid(w->start, w->length);
    }
    return found;
}

int leastConfidence(const QList<TextLine::Word> &words, qsizetype first, qsizetype end) {
    int least = 100;
    for (qsizetype i = first; i < end; ++i) least = std::min(least, words[i].confidence);
    return least;
}

} // namespace

Strip stripOf(const QImage &lineImage, const TextLine &line) {
    Strip strip;
    const QList<TextLine::Word> &words = line.words;
    const qsizetype n = words.size();
    const int gap = std::max(8, int(std::ceil(line.box.height())));
    int at = gap;
    for (qsizetype first = 0; first < n; ++first) {
        if (words[first].confidence >= kSure) continue;
        qsizetype end = first + 1;
        while (end < n && words[end].confidence < kSure) ++end;
        const qreal left = first > 0 ? (words[first - 1].box.right() + words[first].box.left()) / 2
                                     : words[first].box.left() - gap / 2.0;
        const qreal right =
            end < n ? (words[end - 1].box.right() + words[end].box.left()) / 2 : words[end - 1].box.right() + gap / 2.0;
        const int from = std::clamp(int(std::floor(left)), 0, lineImage.width());
        const int to = std::clamp(int(std::ceil(right)), from, lineImage.width());
        if (to > from) {
            strip.cuts.append({first, end, from, to, at});
            at += to - from + gap;
        }
        first = end - 1;
    }
    if (strip.cuts.isEmpty()) return strip;
    const QImage grey = lineImage.format() == QImage::Format_Grayscale8
                            ? lineImage
                            : lineImage.convertToFormat(QImage::Format_Grayscale8);
    QImage image(at, grey.height(), QImage::Format_Grayscale8);
    if (image.isNull() || grey.isNull()) return {};
    image.fill(255);
    for (const Strip::Cut &cut : strip.cuts) {
        for (int y = 0; y < grey.height(); ++y)
            std::memcpy(image.scanLine(y) + cut.at, grey.constScanLine(y) + cut.from, size_t(cut.to - cut.from));
    }
    strip.image = image;
    return strip;
}

void merge(TextLine &line, const Strip &strip, const QList<TextLine> &reread) {
    // From the right, so that the text positions of the cuts not yet merged stay valid.
    for (qsizetype c = strip.cuts.size() - 1; c >= 0; --c) {
        const Strip::Cut &cut = strip.cuts[c];
        if (cut.end > line.words.size() || cut.first >= cut.end) continue;
        const TextLine found = readIn(cut, reread);
        if (found.words.isEmpty() ||
            leastConfidence(found.words, 0, found.words.size()) <= leastConfidence(line.words, cut.first, cut.end))
            continue;
        replaceWords(line, cut.first, cut.end, found);
    }
}

} // namespace WordRecheck
