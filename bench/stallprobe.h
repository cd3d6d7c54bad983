#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTimer>

#include <algorithm>

// Lateness of a periodic timer, in milliseconds.
class StallProbe : public QObject
{
public:
    explicit StallProbe(int periodMs) : m_period(periodMs)
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            if (m_last)
                m_samples.append(qMax<double>(0, (now - m_last) / 1e6 - m_period));
            m_last = now;
        });
    }
    void start()
    {
        m_samples.clear();
        m_last = 0;
        m_clock.start();
        m_timer.start(m_period);
    }
    QList<double> stop()
    {
        m_timer.stop();
        return m_samples;
    }

private:
    int m_period;
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    QList<double> m_samples;
};

inline double percentile(QList<double> values, double p)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[qMin<qsizetype>(values.size() - 1, qsizetype(p * (values.size() - 1)))];
}
