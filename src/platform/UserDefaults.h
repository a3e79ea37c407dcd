#pragma once

#include <QByteArray>
#include <QHash>
#include <QJsonObject>
#include <QJsonValue>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QStringList>

class QFileSystemWatcher;

#include <optional>

namespace platform {

// The user's small settings: one typed JSON file, written atomically after every change.
//
// Values keep their types (a Boolean stays a Boolean, a 64-bit integer is not squeezed through a
// double), and a getter of the wrong type answers "no value", which callers treat as their default.
// A file that cannot be read at all is moved aside, never overwritten, and the store starts empty.
// Entries of a type this version does not know are written back untouched.
//
// The file is watched: keys changed in it by someone else while the program runs are taken in and
// announced (`changed`, then `changedOnDisk`); a file that does not parse is left alone and not written
// over until it parses again.
//
// Thread-safe; change signals are emitted on the thread that made the change (file edits: the thread
// the store was created on).
class UserDefaults : public QObject {
    Q_OBJECT
public:
    enum class Type { Bool, Int, Double, String, Json, Data };
    // Why a write failed, for the user's own words: the file there cannot be read (unreadable at start,
    // or edited into something that does not parse) and is not written over; the settings grew past
    // what the next start reads; or the system refused the write (its reason comes along).
    enum class WriteProblem { unreadableFile, tooLarge, system };
    Q_ENUM(WriteProblem)
    // The largest settings file read; a larger one is not ours.
    static constexpr qint64 maxFileBytes = 4 * 1024 * 1024;

    explicit UserDefaults(QString filePath, QObject *parent = nullptr);
    ~UserDefaults() override;

    // The process-wide store at $XDG_CONFIG_HOME/Pelicarta/defaults.json.
    static UserDefaults &standard();

    QString filePath() const { return m_path; }
    // Where an unreadable file was moved at load time (empty when none was).
    QString keptAsidePath() const;

    bool contains(const QString &key) const;
    std::optional<Type> type(const QString &key) const;
    QStringList keys() const;

    std::optional<bool> boolValue(const QString &key) const;
    std::optional<qint64> intValue(const QString &key) const;
    // Integers are also readable as doubles; non-finite numbers never are.
    std::optional<double> doubleValue(const QString &key) const;
    std::optional<QString> stringValue(const QString &key) const;
    // A JSON document value; data values holding JSON text are read through too.
    std::optional<QJsonValue> jsonValue(const QString &key) const;
    std::optional<QByteArray> dataValue(const QString &key) const;

    void setBool(const QString &key, bool value);
    void setInt(const QString &key, qint64 value);
    // Refuses NaN and infinities (JSON cannot hold them); returns whether the value was stored.
    bool setDouble(const QString &key, double value);
    void setString(const QString &key, const QString &value);
    void setJson(const QString &key, const QJsonValue &value);
    void setData(const QString &key, const QByteArray &value);
    void remove(const QString &key);

    // Groups several changes into one file write; nests.
    class Batch {
    public:
        explicit Batch(UserDefaults &defaults);
        ~Batch();
        Batch(const Batch &) = delete;
        Batch &operator=(const Batch &) = delete;

    private:
        UserDefaults &m_defaults;
    };

    // Takes in what the file holds now (called by the file watcher; public for tests that cannot wait).
    void reloadFromDisk();

    // Calls `f()` whenever `key` changes, for as long as `context` lives.
    template <typename F>
    QMetaObject::Connection onChange(const QString &key, const QObject *context, F f) {
        return connect(this, &UserDefaults::changed, context, [key, f](const QString &changedKey) {
            if (changedKey == key) f();
        });
    }

signals:
    void changed(const QString &key);
    // Keys whose stored values someone else changed in the file (after `changed` for each).
    void changedOnDisk(const QStringList &keys);
    // The file could not be written: the changes live in memory only. Emitted once, until a write
    // succeeds again. `systemError` is the system's reason for a `system` problem, empty otherwise.
    void writeFailed(const QString &path, platform::UserDefaults::WriteProblem problem, const QString &systemError);

private:
    void load();
    void watch();
    // Emits writeFailed when a write failed since the last report.
    void reportWriteFailure();
    void store(const QString &key, const QJsonObject &entry);
    void writeLocked();
    void beginBatch();
    void endBatch();

    QString m_path;
    mutable QMutex m_mutex;
    QHash<QString, QJsonValue> m_entries; // raw entries, as in the file
    QString m_keptAside;
    WriteProblem m_lastProblem = WriteProblem::system;
    QString m_lastError; // the system's reason of the last failed write or read
    bool m_protectFile = false; // an existing file we could not read or move aside
    bool m_brokenEdit = false;  // the file was edited into something that does not parse
    QByteArray m_lastWritten;   // the bytes of our own last write, to tell it from someone else's
    bool m_failureReported = false;
    bool m_failurePending = false;
    QFileSystemWatcher *m_watcher = nullptr;
    int m_batchDepth = 0;
    bool m_dirty = false;
    QStringList m_pendingSignals;
};

} // namespace platform
