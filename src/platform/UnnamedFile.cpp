#include "platform/UnnamedFile.h"

#include <QFile>

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace platform {

std::shared_ptr<UnnamedFile> UnnamedFile::write(const QString &folder, const QByteArray &bytes) {
    if (folder.isEmpty()) return nullptr;
    const int descriptor = ::open(QFile::encodeName(folder).constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (descriptor < 0) return nullptr;
    for (qint64 written = 0; written < bytes.size();) {
        const ssize_t n = ::pwrite(descriptor, bytes.constData() + written, size_t(bytes.size() - written), written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ::close(descriptor);
            return nullptr;
        }
        written += n;
    }
    return std::shared_ptr<UnnamedFile>(new UnnamedFile(descriptor, bytes.size()));
}

UnnamedFile::~UnnamedFile() { ::close(m_descriptor); }

QByteArray UnnamedFile::read() const {
    QByteArray bytes(m_size, Qt::Uninitialized);
    for (qint64 done = 0; done < m_size;) {
        const ssize_t n = ::pread(m_descriptor, bytes.data() + done, size_t(m_size - done), done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return {};
        done += n;
    }
    return bytes;
}

} // namespace platform
