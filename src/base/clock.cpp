#include "clock.h"

#include <QElapsedTimer>

namespace {

class SystemClock final : public Clock
{
public:
    SystemClock() { m_started.start(); }
    qint64 msecsSinceEpoch() const override { return QDateTime::currentMSecsSinceEpoch(); }
    qint64 steadyMsecs() const override { return m_started.elapsed(); }

private:
    QElapsedTimer m_started;
};

} // namespace

qint64 Clock::secsSinceEpoch() const
{
    const qint64 ms = msecsSinceEpoch();
    return ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
}

QDateTime Clock::now() const
{
    return QDateTime::fromMSecsSinceEpoch(msecsSinceEpoch());
}

const Clock &Clock::system()
{
    static const SystemClock clock;
    return clock;
}

ManualClock::ManualClock(const QDateTime &start) : m_wall(start.toMSecsSinceEpoch()) {}

void ManualClock::advance(qint64 msecs)
{
    m_wall.fetch_add(msecs);
    m_steady.fetch_add(msecs);
}
