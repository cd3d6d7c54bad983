#pragma once

#include "base/clock.h"
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

class ServerDatabaseWorker;

// One stored event-history row: when it was added (ms since 1970), its
// database id (0 until written), and the texts the history window shows.
struct StoredHistoryRow
{
    qint64 id = 0;
    qint64 at = 0;
    CommandHistory::Row row;
};

// What the history search looks for: text found in the MAC, the client
// name, the state (the command or reply) or the information, or one of the
// given states; a time range (ms since 1970, 0 for open).
struct HistoryFilter
{
    QString text;
    QStringList states; // also rows whose state or information is one of these
    qint64 from = 0;
    qint64 to = 0;
};

// What the server keeps between runs besides its INI files: the event
// history, each box's fleet status and the schedule draft, in one SQLite
// file (WAL journaling). The window thread only queues what changed;
// a thread of its own writes it, one transaction at most every kBatchMs.
// What cannot be written (another process holds the file, the disk is full)
// waits, bounded, and is tried again. The start-up reads are answered at
// once; pages of older rows and searches arrive later by signal.
class ServerDatabase : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ServerDatabase)

public:
    static constexpr int kBatchMs = 200;
    static constexpr int kPageRows = 10000;
    static constexpr qint64 kPruneEveryMs = 24LL * 3600 * 1000;
    static constexpr int kPruneChunk = 20000;    // rows one retention step removes at most
    static constexpr int kMaxUnwritten = 100000; // rows kept while they cannot be written
    static constexpr int kRetryMs = 2000;        // how soon what waits is tried again
    static constexpr int kDefaultBusyMs = 5000;  // how long a locked file is waited for, each time

    struct OpenResult
    {
        bool ok = false;
        bool waiting = false; // the file exists but cannot be used now: tried again with each batch
        QString setAside;     // where a file that was no sound database went
        QString error;        // why it could not be used, or why nothing opened
    };
    struct Stats
    {
        qint64 rows = 0;         // history rows written
        qint64 fleetRows = 0;    // fleet status rows written
        qint64 transactions = 0; // batches written
        qint64 writeNs = 0;      // time spent writing them, on the database thread
    };

    explicit ServerDatabase(QObject *parent = nullptr);
    // Writes what is queued, then closes.
    ~ServerDatabase() override;

    void setClock(const Clock &clock) { m_clock = &clock; }
    // How long one statement waits for a file another process holds; set before open.
    void setBusyTimeout(int ms);
    qint64 now() const { return m_clock->msecsSinceEpoch(); }

    // Opens or creates the file. One SQLite finds no database or damaged is
    // renamed aside and a fresh one is started; one that is only locked or
    // on a full disk is left as it is, and what this run adds waits until it
    // can be written (result waiting). startRetention runs the retention
    // once the start-up reads are done, and again once a day.
    OpenResult open(const QString &path, int keepDays, int keepRows);
    void startRetention();
    bool isOpen() const { return m_open; }
    // The newest row id an earlier run left: its rows are those below newestAtOpen() + 1.
    qint64 newestAtOpen() const { return m_newestAtOpen; }

    // Queued; on disk within kBatchMs.
    void addHistory(const StoredHistoryRow &row);
    void putFleet(const QString &mac, const FleetStatus::BoxStatus &status);
    // The working schedule lists as a draft; an empty one removes it.
    void putDraft(const QByteArray &draft);
    // Writes everything queued now and waits for it (for one try: at most
    // the busy timeout when another process holds the file).
    void flush();
    // Rows that could not be written and were given up, and rows still waiting.
    struct Unwritten
    {
        qint64 waiting = 0;
        qint64 dropped = 0;
        QString error;
    };
    Unwritten unwritten();

    // The newest rows added after the last "clear" older than beforeId (0:
    // the newest), newest first.
    QList<StoredHistoryRow> page(qint64 beforeId, int limit = kPageRows);
    // The same, answered later as pageFinished with the returned ticket;
    // below: instead of beforeId, the rows stored before this one.
    int requestPage(qint64 beforeId, int limit = kPageRows,
                    const std::optional<CommandHistory::Row> &below = std::nullopt);
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
    void pageFinished(int ticket, const QList<StoredHistoryRow> &rows);
    // Rows could not be written (a locked file, a full disk) and wait, or
    // rows were given up; said once for each reason, with the true count.
    void writeFailed(const QString &message);
    // Rows that waited were written after all.
    void writeResumed(const QString &message);

private:
    void writeBatch();
    void batchDone(bool waiting);

    QThread m_thread;
    ServerDatabaseWorker *m_worker = nullptr; // writes, on m_thread
    QThread m_readThread;
    ServerDatabaseWorker *m_reader = nullptr; // pages and searches, on m_readThread
    const Clock *m_clock = &Clock::system();
    QTimer m_batch;
    QTimer m_retry;
    QTimer m_pruneTimer;
    bool m_open = false;
    bool m_inFlight = false;      // a batch is with the database thread
    bool m_workerWaiting = false; // rows wait there to be written
    qint64 m_dropped = 0;         // rows given up here before they reached it
    qint64 m_newestAtOpen = 0;
    int m_nextTicket = 1;
    QList<StoredHistoryRow> m_rows;
    QHash<QString, FleetStatus::BoxStatus> m_fleet;
    std::optional<QByteArray> m_draft;
};

Q_DECLARE_METATYPE(StoredHistoryRow)
