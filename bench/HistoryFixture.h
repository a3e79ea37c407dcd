#pragma once

// A history at scale, made on demand: N small real PNG captures in a recents folder and the index
// file beside it, each capture with about 2 KB of Portuguese and English interface text (accents
// included), dated over the 18 months before a given moment. The same seed makes the same history.
// Dates are not file times: the recents store reads them through `fileDates`.

#include "history/RecentsStore.h"
#include "support/FixedClock.h"

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QTemporaryDir>

#include <memory>

class HistoryStore;
namespace platform {
class UserDefaults;
}

namespace historyfixture {

struct Fixture {
    QString recentsFolder;           // <root>/Recentes
    QString indexPath;               // <root>/Indice-do-historico.json
    QHash<QString, QDateTime> dates; // by file name
    qint64 textBytes = 0;            // UTF-8 bytes of text in the index

    // The fixture's date of each capture file in place of the file's own while it lives.
    std::unique_ptr<testsupport::FixedFileDates> fileDates() const;
};

// What each capture file holds: a small PNG (the index at scale), or a 1920 × 1080 desktop coded as
// the recents keep one (HEIC with its embedded thumbnail), as a user's first visit to the page meets,
// taken over the last eight hours.
enum class Captures { smallPng, screenHeic };

Fixture make(const QString &root, int count, quint32 seed, const QDateTime &now,
             Captures captures = Captures::smallPng);

// The text of one capture: lines of interface words, about `bytes` long.
QString captureText(quint32 seed, int bytes);

inline constexpr int kScale = 10000;

// Ten thousand captures dated over the 18 months before the program started, made once per program,
// with a recents store over them (keeping everything) that reads the fixture's dates.
struct Scale {
    QTemporaryDir root;
    Fixture fixture;
    std::unique_ptr<platform::UserDefaults> defaults;
    std::unique_ptr<testsupport::FixedFileDates> dates;
    std::unique_ptr<RecentsStore> recents;
};
Scale &tenThousand();

// Bytes allocated on the heap and not yet freed.
double heapInUse();

// A history store over the captures of `recents` (the ten thousand when none), its index read from
// `indexPath`, once its first reload ran.
std::unique_ptr<HistoryStore> loadedStore(const QString &indexPath, const RecentsStore *recents = nullptr);

} // namespace historyfixture
