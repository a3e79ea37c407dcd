#pragma once

#include <QtGlobal>

#include <memory>

// Which of a series of requests made one after the other is the newest, so that the result of an
// older one, arriving late from a worker or a timer, is dropped instead of replacing a newer one's.
// Each request takes a ticket and the result is applied only while its ticket is current:
//
//     const LatestResult::Ticket ticket = m_render.next();
//     ... [this, ticket](const QImage &image) { if (!ticket.isCurrent()) return; ... }
//
// A ticket is current until the next request or `drop()`, and never once its LatestResult is
// destroyed: a current ticket also means the object holding the LatestResult is still there. Tickets
// may be copied to and dropped on any thread; `next`, `drop` and `isCurrent` are main-thread only.
class LatestResult {
public:
    class Ticket {
    public:
        Ticket() = default; // never current
        bool isCurrent() const { return m_series && m_series->newest == m_number; }

    private:
        friend class LatestResult;
        struct Series {
            quint64 newest = 0;
        };
        Ticket(std::shared_ptr<const Series> series, quint64 number) : m_series(std::move(series)), m_number(number) {}

        std::shared_ptr<const Series> m_series;
        quint64 m_number = 0;
    };

    LatestResult() = default;
    ~LatestResult() { drop(); }
    LatestResult(const LatestResult &) = delete;
    LatestResult &operator=(const LatestResult &) = delete;

    // A new request: every earlier ticket stops being current.
    Ticket next() { return Ticket(m_series, ++m_series->newest); }
    // Whatever is still on its way is dropped, with no new request.
    void drop() { ++m_series->newest; }

private:
    std::shared_ptr<Ticket::Series> m_series = std::make_shared<Ticket::Series>();
};
