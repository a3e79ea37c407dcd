// The text reader's memory of line pictures (its file in the login's private folder), read back as a
// later reader process reads it: damaged, cut short or written by someone else. The first byte picks
// how the rest is taken: with its low bit clear, as the whole file; set, as the entries of a file of
// the right identity whose header and digest are put around them here, so that the entries' reader is
// reached. Whatever is accepted is written again to the very same bytes.

#include "core/LineMemory.h"

#include "FuzzSupport.h"

#include <QCryptographicHash>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0) return 0;
    const QByteArray identity = QByteArrayLiteral("fuzz");
    QByteArray file = fuzz::bytes(data + 1, size - 1);
    if (data[0] & 1) {
        // An empty memory's file: its magic word and identity's digest, no entries, the digest of all.
        const QByteArray empty = LineMemory::encode(identity, {});
        file = empty.first(empty.size() - 4 - 32) + file;
        file += QCryptographicHash::hash(file, QCryptographicHash::Blake2b_256);
    }
    const std::optional<std::vector<LineMemory::Entry>> entries = LineMemory::decode(file, identity);
    if (entries && LineMemory::encode(identity, *entries) != file) std::abort();
    return 0;
}
