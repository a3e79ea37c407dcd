#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QString>

#include <optional>

// What the history knows about one capture file. Texts are kept as UTF-8: ten thousand captures hold
// tens of megabytes of text, which is searched far more often than it is shown.
struct HistoryRecord {
    QByteArray text;  // the recognised lines joined by "\n"; empty when none were read
    qint64 width = 0; // pixel size of the image read; 0 × 0 for a file that is no image
    qint64 height = 0;
    qint64 bytes = 0;  // the file's size; 0 when unknown
    QByteArray folded; // `text` folded for search (platform::TextFolding); not stored in the file
    // Its text was not read: every try ran out of time. Read again at the next start.
    bool timedOut = false;

    // A record of `text` with its folded form; a text longer than the index reads back is cut.
    static HistoryRecord of(QByteArray text, qint64 width, qint64 height, qint64 bytes);
    friend bool operator==(const HistoryRecord &a, const HistoryRecord &b) {
        return a.text == b.text && a.width == b.width && a.height == b.height && a.bytes == b.bytes &&
               a.timedOut == b.timedOut;
    }
};

// Records by capture file name.
using HistoryRecords = QHash<QString, HistoryRecord>;

// The history index file: one compact JSON object mapping each capture file name to an object with
// "text" (string), "width", "height" and "bytes" (integers), and "timedOut": true for a record whose
// reads all ran out of time (readers that know no such key read it as a record without text). Any
// thread.
namespace HistoryIndexFile {

// The largest index read or written. Ten thousand captures of busy screens (editors, spreadsheets,
// documents, desktops at 1080p and 4K) make about 100 MB; an index past twice that is no index this
// program wrote.
inline constexpr qint64 maxFileBytes = qint64(200) << 20;
// The longest text a record holds. The recognizer reads at most 3000 pixels a side, some 200,000
// characters at the smallest type it can read; a longer text is damage, and its record is dropped.
inline constexpr qsizetype maxTextBytes = qsizetype(1) << 20;

struct Contents {
    HistoryRecords records;
    // The file holds something that is not a JSON object (or not only one): it must be kept aside
    // before it is written over. The records read before the fault are kept all the same.
    bool keepAside = false;
};

// Records are read one by one: one missing a key, of a wrong type, not valid UTF-8 or with a text
// longer than maxTextBytes is dropped alone; other keys are ignored. Folds every text.
Contents parse(QByteArrayView json);

// The file at `path`, as `parse` reads it, a piece at a time: besides the records, reading holds the
// record being read and a megabyte of the file. None when it does not exist; kept aside, and not
// read, when it is not a regular file that can be read or is larger than maxFileBytes.
Contents read(const QString &path);

QByteArray serialize(const HistoryRecords &records);
// What `serialize` makes of `records`, when that is at most `maxBytes`; none, and nothing built, when
// it is more.
std::optional<QByteArray> serialize(const HistoryRecords &records, qint64 maxBytes);

} // namespace HistoryIndexFile
