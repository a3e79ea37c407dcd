#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

namespace platform {

// Bytes kept for a while but rarely read, out of memory: in a file without a name in one of our
// private folders, which the system removes with the last handle (a crash leaves nothing behind).
class UnnamedFile {
public:
    // The bytes written to a new such file in `folder`; null when that cannot be (no folder, a file
    // system without unnamed files, a full disk). Any thread.
    static std::shared_ptr<UnnamedFile> write(const QString &folder, const QByteArray &bytes);

    ~UnnamedFile();
    UnnamedFile(const UnnamedFile &) = delete;
    UnnamedFile &operator=(const UnnamedFile &) = delete;

    // All the bytes written; empty when they cannot be read back. Any thread.
    QByteArray read() const;
    qint64 size() const { return m_size; }

private:
    UnnamedFile(int descriptor, qint64 size) : m_descriptor(descriptor), m_size(size) {}

    int m_descriptor = -1;
    qint64 m_size = 0;
};

} // namespace platform
