// The frames of the text reader process: the requests its parent writes to it and the answers it
// writes back, each side's parser fed the bytes in pieces as a pipe delivers them. The first byte
// picks the side (its high bit: answers) and the size of the pieces.

#include "core/TextReaderFrames.h"

#include "FuzzSupport.h"

namespace {

// Every frame the parser cuts from `bytes`, each written again and read back the same.
template <typename Frame>
void readAll(const QByteArray &bytes, qsizetype piece, std::optional<Frame> (TextReaderFrames::Parser::*next)()) {
    TextReaderFrames::Parser parser;
    for (qsizetype at = 0; at < bytes.size() && !parser.isBroken(); at += piece) {
        parser.append(bytes.mid(at, piece));
        while (const std::optional<Frame> frame = (parser.*next)()) {
            TextReaderFrames::Parser again;
            again.append(TextReaderFrames::encode(*frame));
            if ((again.*next)() != frame || again.pending() != 0) std::abort();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0) return 0;
    const bool answers = data[0] & 0x80;
    // From a byte at a time to 32 KB at once.
    const qsizetype piece = qsizetype(1) << (data[0] & 0x0F);
    const QByteArray bytes = fuzz::bytes(data + 1, size - 1);
    if (answers) readAll(bytes, piece, &TextReaderFrames::Parser::nextResponse);
    else readAll(bytes, piece, &TextReaderFrames::Parser::nextRequest);
    return 0;
}
