#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

// The recents file of one capture. The capture is shown at once (the quick panel, the editor) and its
// file is written on a worker afterwards: whatever shows it learns the file here, every outcome the same
// way. Shared by the capture road and what shows the capture; main thread only.
class CaptureFile {
public:
    using Ptr = std::shared_ptr<CaptureFile>;
    // A file the road is still writing; and one known already.
    static Ptr pending();
    static Ptr known(const QString &path);

    // Empty until written, and for good when the capture got no file (keeping off, the write failed).
    const QString &path() const { return m_path; }
    bool isSettled() const { return m_settled; }

    // `receiver` gets the file once it is written, at once when it already is, as long as `context`
    // lives; never when the capture got no file.
    void whenWritten(QObject *context, std::function<void(const QString &)> receiver);
    // The road's end for this file (empty: none): the receivers still there learn it in the order they
    // asked.
    void settle(const QString &path);

private:
    struct Waiter {
        QPointer<QObject> context;
        std::function<void(const QString &)> receiver;
    };
    QString m_path;
    bool m_settled = false;
    std::vector<Waiter> m_waiters;
};
