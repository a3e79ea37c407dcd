#pragma once

#include <QDateTime>
#include <QSet>
#include <QString>

#include <mutex>

// The names of capture files being written, for the whole process: two captures of the same second,
// written at once, never pick the same free name, and one taken later but encoded sooner never takes
// an earlier one's. Never destroyed: a worker still writing as the process ends finds it whole.
class CaptureNames {
public:
    static CaptureNames &shared();
    // Whether `name` is one the store gives its files ("Pelicarta yyyy-MM-dd HH.mm.ss", an optional
    // " (N)", .png or .heic): only these are ever removed, so that a user's own pictures stay. Any thread.
    static bool isOwn(const QString &name);
    // A capture file carries the moment it was taken as its modification time: its name says only the
    // second, and a capture that waited for its turn is born later. Any thread.
    static void date(const QString &path, const QDateTime &taken);

    // Reserves the first free name for a capture taken at `taken` in `folder` and returns its path.
    QString reserve(const QString &folder, const QDateTime &taken, const QString &extension);
    // Gives a reservation up (its capture was written under it, or not at all).
    void release(const QString &path);

    // Held while a name is chosen and its file written.
    std::mutex &mutex() { return m_mutex; }
    // Under mutex(): takes the reservation of `path` back, true when it was reserved and nothing has
    // taken that name on disk meanwhile.
    bool takeReserved(const QString &path);
    // Under mutex(): the first of "<stem>.<extension>", "<stem> (2).<extension>", … that nothing takes.
    QString freeName(const QString &stem, const QString &extension) const;

private:
    CaptureNames() = default;
    std::mutex m_mutex;
    QSet<QString> m_reserved;
};
