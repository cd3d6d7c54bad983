#pragma once

#include "fleetstatus.h"
#include "history.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QThread>
#include <QTimer>

#include <functional>
#include <optional>

class HistoryDatabaseWorker;

// One stored event-history row: when it was added (ms since 1970), its
// database id (0 until written), and the texts the history window shows.
struct StoredHistoryRow
{
    qint64 id = 0;
    qint64 at = 0;
    CommandHistory::Row row;
};

// What the history search looks for: text found in the MAC, the client
// name, the state (the command or reply) or the information; a time range
// (ms since 1970, 0 for open).
struct HistoryFilter
{
    QString text;
    qint64 from = 0;
    qint64 to = 0;
};

// The event history, each box's fleet status and the schedule draft in one
// SQLite file (WAL journaling). The window thread only queues what changed;
// a thread of its own writes it, one transaction at most every kBatchMs.
// Reads at start-up and paging are answered at once; searches arrive later
// by signal.
class HistoryDatabase : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HistoryDatabase)

public:
    static constexpr int kBatchMs = 200;
    static constexpr int kPageRows = 10000;
    static constexpr qint64 kPruneEveryMs = 24LL * 3600 * 1000;

    struct OpenResult
    {
        bool ok = false;
        QString setAside; // where a file that could not be used went
        QString error;    // why it could not be used, or why nothing opened
    };
    struct Stats
    {
        qint64 rows = 0;         // history rows written
        qint64 fleetRows = 0;    // fleet status rows written
        qint64 transactions = 0; // batches written
        qint64 writeNs = 0;      // time spent writing them, on the database thread
    };
    using Clock = std::function<qint64()>; // ms since 1970

    explicit HistoryDatabase(QObject *parent = nullptr);
    // Writes what is queued, then closes.
    ~HistoryDatabase() override;

    void setClock(Clock clock) { m_clock = std::move(clock); }
    qint64 now() const { return m_clock ? m_clock() : QDateTime::currentMSecsSinceEpoch(); }

    // Opens or creates the file. One that cannot be opened or is not a
    // sound database is renamed aside and a fresh one is started. Then the
    // retention runs, and again once a day.
    OpenResult open(const QString &path, int keepDays, int keepRows);
    bool isOpen() const { return m_open; }

    // Queued; on disk within kBatchMs.
    void addHistory(const StoredHistoryRow &row);
    void putFleet(const QString &mac, const FleetStatus::BoxStatus &status);
    // The working schedule lists as a draft; an empty one removes it.
    void putDraft(const QByteArray &draft);
    // Writes everything queued now and waits for it.
    void flush();

    // The newest rows added after the last "clear" older than beforeId (0:
    // the newest), newest first.
    QList<StoredHistoryRow> page(qint64 beforeId, int limit = kPageRows);
    // The history window was cleared: the rows stay for the search but are
    // not shown again at the next start.
    void markCleared();
    QHash<QString, FleetStatus::BoxStatus> fleet();
    QByteArray draft();

    // Rows matching the filter, older than beforeId, newest first; the
    // answer comes as searchFinished with the returned ticket.
    int search(const HistoryFilter &filter, qint64 beforeId = 0, int limit = kPageRows);

    // Removes rows older than keepDays or beyond keepRows; the rows removed.
    qint64 prune();
    // The same on the database thread, without waiting.
    void pruneLater();
    Stats stats();

signals:
    void searchFinished(int ticket, const QList<StoredHistoryRow> &rows, bool more);
    // A batch could not be written (a full disk, a broken file); once per kind.
    void writeFailed(const QString &message);

private:
    void writeBatch();

    QThread m_thread;
    HistoryDatabaseWorker *m_worker = nullptr;
    Clock m_clock;
    QTimer m_batch;
    QTimer m_pruneTimer;
    bool m_open = false;
    int m_nextTicket = 1;
    QList<StoredHistoryRow> m_rows;
    QHash<QString, FleetStatus::BoxStatus> m_fleet;
    std::optional<QByteArray> m_draft;
};

Q_DECLARE_METATYPE(StoredHistoryRow)
