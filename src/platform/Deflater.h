#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <memory>

namespace platform {

// Compresses bytes handed over a piece at a time into one zlib stream (what PDF's FlateDecode reads).
class Deflater {
public:
    // zlib's levels, 0 to 9; screenshots need no more than the fastest.
    explicit Deflater(int level = 1);
    ~Deflater();
    Deflater(const Deflater &) = delete;
    Deflater &operator=(const Deflater &) = delete;

    // False once compressing failed (out of memory).
    bool append(const char *data, qsizetype size);
    // The whole stream; none (an empty array) when anything failed.
    QByteArray finish();

    struct Stream; // opaque: zlib's state

private:
    std::unique_ptr<Stream> m;
};

} // namespace platform
