#include "platform/UserDefaults.h"

#include "platform/AppPaths.h"
#include "platform/AtomicFile.h"
#include "platform/Log.h"
#include "platform/RegularFile.h"

#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QThread>
#include <QTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QMutexLocker>

#include <cmath>

namespace platform {

namespace {

const QString kFormat = QStringLiteral("format");
const QString kValues = QStringLiteral("values");
const QString kType = QStringLiteral("type");
const QString kValue = QStringLiteral("value");

constexpr int kFileFormat = 1;
// Settings files hold a few kilobytes; anything this large is not ours, and parsing it would cost
// seconds and hundreds of megabytes at every launch.
constexpr qint64 kMaxFileBytes = UserDefaults::maxFileBytes;

QString typeName(UserDefaults::Type type) {
    switch (type) {
    case UserDefaults::Type::Bool: return QStringLiteral("bool");
    case UserDefaults::Type::Int: return QStringLiteral("int");
    case UserDefaults::Type::Double: return QStringLiteral("double");
    case UserDefaults::Type::String: return QStringLiteral("string");
    case UserDefaults::Type::Json: return QStringLiteral("json");
    case UserDefaults::Type::Data: return QStringLiteral("data");
    }
    return {};
}

std::optional<UserDefaults::Type> typeOf(const QJsonValue &entry) {
    if (!entry.isObject()) return std::nullopt;
    const QString name = entry.toObject().value(kType).toString();
    for (auto t : {UserDefaults::Type::Bool, UserDefaults::Type::Int, UserDefaults::Type::Double,
                   UserDefaults::Type::String, UserDefaults::Type::Json, UserDefaults::Type::Data}) {
        if (typeName(t) == name) return t;
    }
    return std::nullopt;
}

QJsonObject makeEntry(UserDefaults::Type type, const QJsonValue &value) {
    return QJsonObject{{kType, typeName(type)}, {kValue, value}};
}

std::optional<qint64> parseInt(const QJsonValue &v) {
    // Written as a decimal string so that all 64 bits survive; a plain JSON number is accepted when
    // it is a whole number within the exactly representable range.
    if (v.isString()) {
        bool ok = false;
        const qint64 n = v.toString().toLongLong(&ok);
        if (ok) return n;
        return std::nullopt;
    }
    if (v.isDouble()) {
        const double d = v.toDouble();
        if (std::isfinite(d) && std::trunc(d) == d && std::fabs(d) <= 9007199254740992.0) return static_cast<qint64>(d);
    }
    return std::nullopt;
}

} // namespace

UserDefaults::UserDefaults(QString filePath, QObject *parent) : QObject(parent), m_path(std::move(filePath)) {
    load();
    watch();
}

void UserDefaults::watch() {
    m_watcher = new QFileSystemWatcher(this);
    // The folder too: a file replaced by a rename (as editors and we ourselves write) is a new file.
    const QString folder = QFileInfo(m_path).absolutePath();
    if (QFileInfo(folder).isDir()) m_watcher->addPath(folder);
    if (QFileInfo::exists(m_path)) m_watcher->addPath(m_path);
    auto *settle = new QTimer(this);
    settle->setSingleShot(true);
    settle->setInterval(50); // an editor's save is several events
    connect(settle, &QTimer::timeout, this, &UserDefaults::reloadFromDisk);
    const auto changedOnDisk = [this, settle] {
        if (QFileInfo::exists(m_path) && !m_watcher->files().contains(m_path)) m_watcher->addPath(m_path);
        settle->start();
    };
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this, changedOnDisk);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, changedOnDisk);
}

void UserDefaults::reloadFromDisk() {
    // As at launch: only a regular file within the cap, opened without blocking (a FIFO put in its place
    // must not stop the event loop).
    const RegularFile::Read file = RegularFile::read(m_path, kMaxFileBytes);
    if (file.status != RegularFile::Status::ok) return;
    const QByteArray &bytes = file.bytes;
    QStringList changedKeys;
    {
        QMutexLocker lock(&m_mutex);
        if (bytes == m_lastWritten) return;
        QJsonParseError error{};
        const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
        const bool parses =
            error.error == QJsonParseError::NoError && doc.isObject() && doc.object().value(kValues).isObject();
        // Half-way through someone's edit, perhaps: keep what we have, and do not write over it.
        m_brokenEdit = !parses;
        if (!parses) return;
        const QJsonObject values = doc.object().value(kValues).toObject();
        // A value that does not read as its type is taken in as it is: readers fall back to their
        // default and it is written back untouched.
        for (auto it = values.begin(); it != values.end(); ++it) {
            if (m_entries.value(it.key()) == it.value()) continue;
            m_entries.insert(it.key(), it.value());
            changedKeys << it.key();
        }
        for (const QString &key : m_entries.keys()) {
            if (values.contains(key)) continue;
            m_entries.remove(key);
            changedKeys << key;
        }
        m_lastWritten = bytes;
    }
    for (const QString &key : changedKeys) emit changed(key);
    if (!changedKeys.isEmpty()) emit changedOnDisk(changedKeys);
}

void UserDefaults::reportWriteFailure() {
    // The folder may have been made by this write; watch it from now on (the watcher lives on our thread).
    if (m_watcher && QThread::currentThread() == thread()) {
        const QString folder = QFileInfo(m_path).absolutePath();
        if (!m_watcher->directories().contains(folder) && QFileInfo(folder).isDir()) m_watcher->addPath(folder);
        if (!m_watcher->files().contains(m_path) && QFileInfo::exists(m_path)) m_watcher->addPath(m_path);
    }
    QString error;
    WriteProblem problem = WriteProblem::system;
    {
        QMutexLocker lock(&m_mutex);
        if (!m_failurePending) return;
        m_failurePending = false;
        problem = m_lastProblem;
        if (problem == WriteProblem::system) error = m_lastError;
    }
    emit writeFailed(m_path, problem, error);
}

UserDefaults::~UserDefaults() = default;

UserDefaults &UserDefaults::standard() {
    static UserDefaults *instance = new UserDefaults(AppPaths::defaultsFile());
    return *instance;
}

void UserDefaults::load() {
    const RegularFile::Read file = RegularFile::read(m_path, kMaxFileBytes);
    if (file.status == RegularFile::Status::missing) return;
    if (file.status == RegularFile::Status::denied || file.status == RegularFile::Status::failed) {
        // There but unreadable for now (permissions, I/O): leave it where it is and do not write over it.
        m_lastError = file.error;
        m_protectFile = true;
        return;
    }
    if (file.status == RegularFile::Status::ok) {
        m_lastWritten = file.bytes;
        QJsonParseError error{};
        const QJsonDocument doc = QJsonDocument::fromJson(file.bytes, &error);
        if (error.error == QJsonParseError::NoError && doc.isObject() && doc.object().value(kValues).isObject()) {
            const QJsonObject values = doc.object().value(kValues).toObject();
            for (auto it = values.begin(); it != values.end(); ++it) m_entries.insert(it.key(), it.value());
            return;
        }
    }
    // Not JSON, not ours, too large, or not a regular file at all (a FIFO, a link to a device): moved
    // aside, and the defaults apply.
    m_keptAside = keepAside(m_path);
    // When it cannot even be moved, it must not be overwritten either.
    m_protectFile = m_keptAside.isEmpty();
    qCWarning(lcPlatform, "the settings file %s could not be read (%s); it was kept as %s", qPrintable(m_path),
              qPrintable(file.error.isEmpty() ? QStringLiteral("not a settings file") : file.error),
              qPrintable(m_keptAside));
}

QString UserDefaults::keptAsidePath() const {
    QMutexLocker lock(&m_mutex);
    return m_keptAside;
}

bool UserDefaults::contains(const QString &key) const {
    QMutexLocker lock(&m_mutex);
    return m_entries.contains(key);
}

std::optional<UserDefaults::Type> UserDefaults::type(const QString &key) const {
    QMutexLocker lock(&m_mutex);
    const auto it = m_entries.constFind(key);
    if (it == m_entries.cend()) return std::nullopt;
    return typeOf(*it);
}

QStringList UserDefaults::keys() const {
    QMutexLocker lock(&m_mutex);
    QStringList result = m_entries.keys();
    result.sort();
    return result;
}

std::optional<bool> UserDefaults::boolValue(const QString &key) const {
    QMutexLocker lock(&m_mutex);
    const QJsonValue entry = m_entries.value(key);
    if (typeOf(entry) != Type::Bool) return std::nullopt;
    const QJsonValue v = entry.toObject().value(kValue);
    if (!v.isBool()) return std::nullopt;
    return v.toBool();
}

std::optional<qint64> UserDefaults::intValue(const QString &key) const {
    QMutexLocker lock(&m_mutex);
    const QJsonValue entry = m_entries.value(key);
    if (typeOf(entry) != Type::Int) return std::nullopt;
    return parseInt(entry.toObject().value(kValue));
}

std::optional<double> UserDefaults::doubleValue(const QString &key) const {
    QMutexLocker lock(&m_mutex);
    const QJsonValue entry = m_entries.value(key);
    const auto t = typeOf(entry);
    const QJsonValue v = entry.toObject().value(kValue);
    if (t == Type::Int) {
        if (const auto n = parseInt(v)) return static_cast<double>(*n);
        return std::nullopt;
    }
    if (t != Type::Double || !v.isDouble()) return std::nullopt;
    const double d = v.toDouble();
    if (!std::isfinite(d)) return std::nullopt;
    return d;
}

std::optional<QString> UserDefaults::stringValue(const QString &key) const {
    QMutexLocker lock(&m_mutex);
    const QJsonValue entry = m_entries.value(key);
    if (typeOf(entry) != Type::String) return std::nullopt;
    const QJsonValue v = entry.toObject().value(kValue);
    if (!v.isString()) return std::nullopt;
    return v.toString();
}

std::optional<QJsonValue> UserDefaults::jsonValue(const QString &key) const {
    QMutexLocker lock(&m_mutex);
    const QJsonValue entry = m_entries.value(key);
    const auto t = typeOf(entry);
    const QJsonValue v = entry.toObject().value(kValue);
    if (t == Type::Json) {
        if (v.isUndefined()) return std::nullopt;
        return v;
    }
    if (t == Type::Data && v.isString()) {
        const auto decoded =
            QByteArray::fromBase64Encoding(v.toString().toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded) return std::nullopt;
        QJsonParseError error{};
        const QJsonDocument doc = QJsonDocument::fromJson(*decoded, &error);
        if (error.error != QJsonParseError::NoError) return std::nullopt;
        if (doc.isArray()) return QJsonValue(doc.array());
        return QJsonValue(doc.object());
    }
    return std::nullopt;
}

std::optional<QByteArray> UserDefaults::dataValue(const QString &key) const {
    QMutexLocker lock(&m_mutex);
    const QJsonValue entry = m_entries.value(key);
    if (typeOf(entry) != Type::Data) return std::nullopt;
    const QJsonValue v = entry.toObject().value(kValue);
    if (!v.isString()) return std::nullopt;
    const auto decoded =
        QByteArray::fromBase64Encoding(v.toString().toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded) return std::nullopt;
    return *decoded;
}

void UserDefaults::setBool(const QString &key, bool value) { store(key, makeEntry(Type::Bool, value)); }

void UserDefaults::setInt(const QString &key, qint64 value) {
    store(key, makeEntry(Type::Int, QString::number(value)));
}

bool UserDefaults::setDouble(const QString &key, double value) {
    if (!std::isfinite(value)) return false;
    store(key, makeEntry(Type::Double, value));
    return true;
}

void UserDefaults::setString(const QString &key, const QString &value) { store(key, makeEntry(Type::String, value)); }

void UserDefaults::setJson(const QString &key, const QJsonValue &value) { store(key, makeEntry(Type::Json, value)); }

void UserDefaults::setData(const QString &key, const QByteArray &value) {
    store(key, makeEntry(Type::Data, QString::fromLatin1(value.toBase64())));
}

void UserDefaults::remove(const QString &key) {
    bool emitNow = false;
    {
        QMutexLocker lock(&m_mutex);
        if (!m_entries.remove(key)) return;
        m_dirty = true;
        if (m_batchDepth > 0) {
            m_pendingSignals << key;
        } else {
            writeLocked();
            emitNow = true;
        }
    }
    if (emitNow) emit changed(key);
    reportWriteFailure();
}

void UserDefaults::store(const QString &key, const QJsonObject &entry) {
    bool emitNow = false;
    {
        QMutexLocker lock(&m_mutex);
        const auto it = m_entries.constFind(key);
        if (it != m_entries.cend() && *it == QJsonValue(entry)) return;
        m_entries.insert(key, entry);
        m_dirty = true;
        if (m_batchDepth > 0) {
            if (!m_pendingSignals.contains(key)) m_pendingSignals << key;
        } else {
            writeLocked();
            emitNow = true;
        }
    }
    if (emitNow) emit changed(key);
    reportWriteFailure();
}

void UserDefaults::writeLocked() {
    if (!m_dirty) return;
    // What is not written stays in memory only; the user is told once, until a write succeeds again.
    const auto failed = [this](WriteProblem problem, const QString &reason) {
        m_lastProblem = problem;
        if (problem == WriteProblem::system) m_lastError = reason;
        qCWarning(lcPlatform, "the settings file %s was not written: %s", qPrintable(m_path), qPrintable(reason));
        if (!m_failureReported) m_failureReported = m_failurePending = true;
    };
    // A file we could not open must not be replaced by what little we know.
    if (m_protectFile || m_brokenEdit)
        return failed(WriteProblem::unreadableFile,
                      QStringLiteral("the settings file cannot be read, so it is not overwritten"));
    QJsonObject values;
    for (auto it = m_entries.cbegin(); it != m_entries.cend(); ++it) values.insert(it.key(), it.value());
    const QJsonObject root{{kFormat, kFileFormat}, {kValues, values}};
    const QByteArray bytes = QJsonDocument(root).toJson(QJsonDocument::Indented);
    // A file larger than the next launch reads would be set aside then, and every setting with it.
    if (bytes.size() > kMaxFileBytes)
        return failed(WriteProblem::tooLarge,
                      QStringLiteral("the settings would take more than %1 MiB").arg(kMaxFileBytes >> 20));
    QString error;
    if (!writeFileAtomically(m_path, bytes, &error, QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        return failed(WriteProblem::system, error);
    m_dirty = false;
    m_lastError.clear();
    m_lastWritten = bytes;
    m_failureReported = false;
}

void UserDefaults::beginBatch() {
    QMutexLocker lock(&m_mutex);
    ++m_batchDepth;
}

void UserDefaults::endBatch() {
    QStringList toEmit;
    {
        QMutexLocker lock(&m_mutex);
        if (--m_batchDepth > 0) return;
        writeLocked();
        toEmit.swap(m_pendingSignals);
    }
    for (const QString &key : toEmit) emit changed(key);
    reportWriteFailure();
}

UserDefaults::Batch::Batch(UserDefaults &defaults) : m_defaults(defaults) { m_defaults.beginBatch(); }

UserDefaults::Batch::~Batch() { m_defaults.endBatch(); }

} // namespace platform
