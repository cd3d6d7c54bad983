#pragma once

#include <QDateTime>

#include <atomic>

// The time every part of the program reads: the wall clock for stamps, ages
// and the time sent to boxes, and a steady clock for time limits that a
// change of the system time must not stretch or cut. The program reads the
// machine's; tests hand one ManualClock to the whole program.
class Clock
{
public:
    virtual ~Clock() = default;

    virtual qint64 msecsSinceEpoch() const = 0;
    // Milliseconds from an arbitrary start; never goes back.
    virtual qint64 steadyMsecs() const = 0;

    qint64 secsSinceEpoch() const;
    // The wall clock in local time.
    QDateTime now() const;

    // The machine's clocks; safe from any thread.
    static const Clock &system();
};

// A clock that moves only when told; safe to read from any thread.
class ManualClock final : public Clock
{
public:
    explicit ManualClock(const QDateTime &start = QDateTime::currentDateTime());

    qint64 msecsSinceEpoch() const override { return m_wall.load(); }
    qint64 steadyMsecs() const override { return m_steady.load(); }

    // Time passes: both clocks move on.
    void advance(qint64 msecs);
    void advanceSecs(qint64 secs) { advance(secs * 1000); }
    // The system time is set: only the wall clock jumps, either way.
    void setNow(const QDateTime &now) { m_wall.store(now.toMSecsSinceEpoch()); }

private:
    std::atomic<qint64> m_wall;
    std::atomic<qint64> m_steady{0};
};
