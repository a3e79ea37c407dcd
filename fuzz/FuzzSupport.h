#pragma once

// Shared pieces of the libFuzzer targets: each target is one file defining LLVMFuzzerTestOneInput.

#include <QByteArray>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace fuzz {

inline QByteArray bytes(const uint8_t *data, size_t size) {
    return QByteArray(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
}

// A new folder for the files a target writes, in memory where the system has one: our writers wait for
// the disk at every file they write, which would make such a target several times slower.
inline QString scratchFolderTemplate() {
    const QString memory = QStringLiteral("/dev/shm");
    return QDir(memory).exists() ? memory + QStringLiteral("/pelicarta-fuzz-XXXXXX") : QString();
}

// The input as a JSON value: a document's object or array, or, for text that is not a document,
// the text wrapped as one array element (so scalars reach the readers too).
inline QJsonValue json(const uint8_t *data, size_t size) {
    const QJsonDocument document = QJsonDocument::fromJson(bytes(data, size));
    if (document.isObject()) return document.object();
    if (document.isArray()) return document.array();
    const QJsonDocument wrapped = QJsonDocument::fromJson("[" + bytes(data, size) + "]");
    return wrapped.isArray() && !wrapped.array().isEmpty() ? wrapped.array().first() : QJsonValue();
}

// A value a reader accepted is written back and must read back to the same JSON: what is read is what
// the next save writes.
template <typename T, typename Read>
void roundTrip(const QJsonValue &value, Read read) {
    const auto decoded = read(value);
    if (!decoded) return;
    const QJsonValue written = decoded->toJson();
    const auto again = read(written);
    if (!again || QJsonValue(again->toJson()) != written) std::abort();
}

} // namespace fuzz
