#include "serverdb.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

#include <atomic>

namespace {

constexpr qint64 kDayMs = 24LL * 3600 * 1000;

// The tables of the first version, as every file of version 1 has them.
const char *const kVersion1[] = {
    "CREATE TABLE IF NOT EXISTS history(id INTEGER PRIMARY KEY, at INTEGER NOT NULL, mac TEXT, client TEXT, "
    "ip TEXT, state TEXT, info TEXT, time TEXT)",
    "CREATE INDEX IF NOT EXISTS history_at ON history(at)",
    "CREATE TABLE IF NOT EXISTS fleet(mac TEXT PRIMARY KEY, command TEXT, command_time INTEGER, "
    "command_type INTEGER, result INTEGER, result_text TEXT, last_reply TEXT, transfer INTEGER, "
    "files_total INTEGER, files_done INTEGER, files_failed INTEGER, finished_at INTEGER, transfer_list TEXT)",
    "CREATE TABLE IF NOT EXISTS draft(id INTEGER PRIMARY KEY CHECK (id = 1), saved_at INTEGER, body BLOB)",
    "CREATE TABLE IF NOT EXISTS meta(key TEXT PRIMARY KEY, value INTEGER)",
};

// A LIKE pattern that finds the text anywhere, its wildcards taken as they are.
QString containsPattern(QString text)
{
    text.replace(QLatin1String("\\"), QLatin1String("\\\\"));
    text.replace(QLatin1String("%"), QLatin1String("\\%"));
    text.replace(QLatin1String("_"), QLatin1String("\\_"));
    return QLatin1Char('%') + text + QLatin1Char('%');
}

// A query's columns found by name once, then read by position.
class Columns
{
public:
    Columns(const QSqlQuery &query, std::initializer_list<const char *> names)
    {
        const QSqlRecord record = query.record();
        for (const char *name : names)
            m_at.append(record.indexOf(QLatin1String(name)));
    }
    QVariant value(const QSqlQuery &query, int column) const { return query.value(m_at.at(column)); }

private:
    QList<int> m_at;
};

// The history columns as a stored row holds them.
Columns historyColumns(const QSqlQuery &query)
{
    return Columns(query, {"id", "at", "mac", "client", "ip", "state", "info", "time"});
}

StoredHistoryRow rowFrom(const QSqlQuery &query, const Columns &columns)
{
    StoredHistoryRow stored;
    stored.id = columns.value(query, 0).toLongLong();
    stored.at = columns.value(query, 1).toLongLong();
    stored.row.at = stored.at;
    for (int c = 0; c < CommandHistory::ColumnCount; ++c)
        stored.row.cells[c] = columns.value(query, 2 + c).toString();
    return stored;
}

template <typename Enum> Enum enumFrom(const QVariant &value, Enum last)
{
    const int n = value.toInt();
    return n >= 0 && n <= int(last) ? Enum(n) : Enum(0);
}

} // namespace

// Owns the connection; lives on the database thread and is used only there.
class ServerDatabaseWorker : public QObject
{
public:
    QString connection;
    QString lastError;
    QString reported; // the write error last told to the program
    ServerDatabase::Stats stats;
    int keepDays = 90;
    int keepRows = 2000000;
    int busyMs = 5000;
    bool ready = false;     // open and usable
    QString path;           // the file, opened again while it cannot be used
    qint64 rowCount = 0;    // history rows in the file, as far as this run knows
    qint64 maxIdAtOpen = 0; // the newest row an earlier run left
    bool pruning = false;   // a retention pass is under way

    // What could not be written yet, written with the next batch; the oldest
    // rows go first when more wait than kMaxUnwritten.
    QList<StoredHistoryRow> unwritten;
    QHash<QString, FleetStatus::BoxStatus> fleetUnwritten;
    std::optional<QByteArray> draftUnwritten;
    qint64 dropped = 0;     // rows given up since the failure began
    qint64 lastWritten = 0; // rows the last successful batch wrote

    QSqlDatabase db() const { return QSqlDatabase::database(connection, false); }

    // Version 0 (no version; files of the earliest runs) to 1: the tables,
    // and the transfer's list the earliest fleet tables lack.
    bool upgradeTo1(QString *error, bool *damaged)
    {
        for (const char *statement : kVersion1) {
            if (!exec(statement, error, damaged))
                return false;
        }
        bool hasList = false;
        {
            QSqlQuery column(db());
            hasList = column.exec(QStringLiteral("SELECT transfer_list FROM fleet LIMIT 0"));
        }
        return hasList || exec("ALTER TABLE fleet ADD COLUMN transfer_list TEXT", error, damaged);
    }
    // The step that takes a file of this version to the next; a new version
    // of the file adds its step here and raises kSchemaVersion.
    static constexpr int kSchemaVersion = 1;
    bool upgradeFrom(int version, QString *error, bool *damaged)
    {
        switch (version) {
        case 0:
            return upgradeTo1(error, damaged);
        default:
            *error = QStringLiteral("no upgrade from version %1").arg(version);
            return false;
        }
    }

    // Whether SQLite said the file is no database or a damaged one; any
    // other failure (locked, a full disk, no permission) passes.
    static bool damagedBy(const QSqlError &error)
    {
        const int code = error.nativeErrorCode().toInt() & 0xff;
        return code == 11 /* SQLITE_CORRUPT */ || code == 26 /* SQLITE_NOTADB */;
    }
    bool exec(const char *sql, QString *error, bool *damaged)
    {
        QSqlQuery query(db());
        if (query.exec(QString::fromLatin1(sql)))
            return true;
        *error = query.lastError().text();
        *damaged = *damaged || damagedBy(query.lastError());
        return false;
    }

    // Opens the file and makes the tables; false with the reason when the
    // file cannot be used, and damaged when it is no sound database (a file
    // that is only locked or on a full disk is not).
    bool tryOpen(const QString &path, QString *error, bool *damaged)
    {
        *damaged = false;
        {
            QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
            database.setDatabaseName(path);
            // Before any statement: a file another process holds is waited for.
            database.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyMs));
            if (!database.open()) {
                *error = database.lastError().text();
                return false;
            }
        }
        QSqlQuery mode(db());
        if (!mode.exec(QStringLiteral("PRAGMA journal_mode=WAL")) || !mode.next()) {
            *error = mode.lastError().text();
            *damaged = damagedBy(mode.lastError());
            return false;
        }
        if (mode.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0) {
            *error = QStringLiteral("journal mode %1, not WAL").arg(mode.value(0).toString());
            return false;
        }
        mode.finish();
        if (!exec("PRAGMA synchronous=NORMAL", error, damaged))
            return false;
        // What exists is only read: a file another process holds opens all
        // the same, and waits for its lock only when this run writes.
        QSqlQuery version(db());
        if (!version.exec(QStringLiteral("PRAGMA user_version")) || !version.next()) {
            *error = version.lastError().text();
            *damaged = damagedBy(version.lastError());
            return false;
        }
        const int found = qMax(0, version.value(0).toInt());
        version.finish(); // a statement still open would keep the upgrades from committing
        // One step per version, each in a transaction of its own; a file of
        // a newer program is used as it is, its tables probed below.
        for (int v = found; v < kSchemaVersion; ++v) {
            if (!exec("BEGIN IMMEDIATE", error, damaged))
                return false;
            if (!upgradeFrom(v, error, damaged) ||
                !exec(QStringLiteral("PRAGMA user_version = %1").arg(v + 1).toLatin1().constData(), error, damaged) ||
                !exec("COMMIT", error, damaged)) {
                QString ignored;
                bool alsoIgnored = false;
                exec("ROLLBACK", &ignored, &alsoIgnored);
                return false;
            }
        }
        // Reading every table once finds a file that only looks like one.
        for (const char *probe : {"SELECT count(*) FROM history WHERE id = 1", "SELECT count(*) FROM fleet",
                                  "SELECT count(*) FROM draft", "SELECT count(*) FROM meta"}) {
            QSqlQuery query(db());
            if (!query.exec(QString::fromLatin1(probe)) || !query.next()) {
                *error = query.lastError().text();
                *damaged = damagedBy(query.lastError());
                return false;
            }
        }
        QSqlQuery counted(db());
        if (counted.exec(QStringLiteral("SELECT count(*), coalesce(max(id), 0) FROM history")) && counted.next()) {
            rowCount = counted.value(0).toLongLong();
            maxIdAtOpen = counted.value(1).toLongLong();
        }
        ready = true;
        return true;
    }

    // The reading connection: the same file, read only, opened when first
    // needed (and again after it could not be).
    bool readable()
    {
        if (ready)
            return true;
        if (path.isEmpty())
            return false;
        close();
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        database.setDatabaseName(path);
        database.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1;QSQLITE_OPEN_READONLY").arg(busyMs));
        ready = database.open();
        return ready;
    }

    void close()
    {
        ready = false;
        if (QSqlDatabase::contains(connection)) {
            db().close();
            QSqlDatabase::removeDatabase(connection);
        }
    }

    bool write(const QList<StoredHistoryRow> &rows, const QHash<QString, FleetStatus::BoxStatus> &fleet,
               const std::optional<QByteArray> &draft, qint64 now)
    {
        QElapsedTimer timer;
        timer.start();
        QSqlDatabase database = db();
        QString error;
        const auto fail = [&](const QSqlQuery &query) {
            error = query.lastError().text();
            database.rollback();
            lastError = error;
            return false;
        };
        if (!database.transaction()) {
            lastError = database.lastError().text();
            return false;
        }
        QSqlQuery insert(database);
        insert.prepare(QStringLiteral("INSERT INTO history(at, mac, client, ip, state, info, time) "
                                      "VALUES(?, ?, ?, ?, ?, ?, ?)"));
        for (const StoredHistoryRow &stored : rows) {
            insert.bindValue(0, stored.at);
            for (int c = 0; c < CommandHistory::ColumnCount; ++c)
                insert.bindValue(1 + c, stored.row.cells[c]);
            if (!insert.exec())
                return fail(insert);
        }
        QSqlQuery upsert(database);
        upsert.prepare(QStringLiteral("INSERT OR REPLACE INTO fleet(mac, command, command_time, command_type, result, "
                                      "result_text, last_reply, transfer, files_total, files_done, files_failed, "
                                      "finished_at, transfer_list) VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
        for (auto it = fleet.begin(); it != fleet.end(); ++it) {
            const FleetStatus::BoxStatus &s = it.value();
            const QVariantList values = {it.key(),      s.command,    s.commandTime,   s.commandType, int(s.result),
                                         s.resultText,  s.lastReply,  int(s.transfer), s.filesTotal,  s.filesDone,
                                         s.filesFailed, s.finishedAt, s.transferList};
            for (int i = 0; i < values.size(); ++i)
                upsert.bindValue(i, values[i]);
            if (!upsert.exec())
                return fail(upsert);
        }
        if (draft) {
            QSqlQuery query(database);
            if (draft->isEmpty()) {
                if (!query.exec(QStringLiteral("DELETE FROM draft")))
                    return fail(query);
            } else {
                query.prepare(QStringLiteral("INSERT OR REPLACE INTO draft(id, saved_at, body) VALUES(1, ?, ?)"));
                query.bindValue(0, now);
                query.bindValue(1, *draft);
                if (!query.exec())
                    return fail(query);
            }
        }
        if (!database.commit()) {
            lastError = database.lastError().text();
            database.rollback();
            return false;
        }
        stats.rows += rows.size();
        stats.fleetRows += fleet.size();
        stats.transactions += 1;
        stats.writeNs += timer.nsecsElapsed();
        lastError.clear();
        return true;
    }

    qint64 clearedAt()
    {
        QSqlQuery query(db());
        if (query.exec(QStringLiteral("SELECT value FROM meta WHERE key = 'cleared_at'")) && query.next())
            return query.value(0).toLongLong();
        return 0;
    }

    // The id of the newest stored row with these texts and time, or 0.
    qint64 idOf(const CommandHistory::Row &row)
    {
        QSqlQuery query(db());
        query.prepare(QStringLiteral("SELECT id FROM history WHERE at = ? AND mac IS ? AND client IS ? AND ip IS ? "
                                     "AND state IS ? AND info IS ? AND time IS ? ORDER BY id DESC LIMIT 1"));
        query.bindValue(0, row.at);
        for (int c = 0; c < CommandHistory::ColumnCount; ++c)
            query.bindValue(1 + c, row.cells[c]);
        return query.exec() && query.next() ? query.value(0).toLongLong() : 0;
    }

    QList<StoredHistoryRow> select(const HistoryFilter *filter, qint64 since, qint64 beforeId, int limit,
                                   qint64 beforeAt = 0)
    {
        QString sql = QStringLiteral("SELECT id, at, mac, client, ip, state, info, time FROM history WHERE at > ?");
        QVariantList values = {since};
        if (beforeId > 0) {
            sql += QStringLiteral(" AND id < ?");
            values.append(beforeId);
        }
        if (beforeAt > 0) {
            sql += QStringLiteral(" AND at < ?");
            values.append(beforeAt);
        }
        if (filter && !filter->text.isEmpty()) {
            sql += QStringLiteral(" AND (mac LIKE ? ESCAPE '\\' OR client LIKE ? ESCAPE '\\' OR state LIKE ? "
                                  "ESCAPE '\\' OR info LIKE ? ESCAPE '\\'");
            const QString pattern = containsPattern(filter->text);
            values << pattern << pattern << pattern << pattern;
            // A kept word is a reply's state, or the command a sent row names.
            for (const QString &word : filter->states) {
                sql += QStringLiteral(" OR state = ? OR info = ?");
                values << word << word;
            }
            sql += QLatin1Char(')');
        }
        if (filter && filter->from > 0) {
            sql += QStringLiteral(" AND at >= ?");
            values.append(filter->from);
        }
        if (filter && filter->to > 0) {
            sql += QStringLiteral(" AND at <= ?");
            values.append(filter->to);
        }
        sql += QStringLiteral(" ORDER BY id DESC LIMIT ?");
        values.append(limit);
        QSqlQuery query(db());
        query.setForwardOnly(true);
        query.prepare(sql);
        for (int i = 0; i < values.size(); ++i)
            query.bindValue(i, values[i]);
        QList<StoredHistoryRow> rows;
        if (!query.exec()) {
            lastError = query.lastError().text();
            return rows;
        }
        const Columns columns = historyColumns(query);
        while (query.next())
            rows.append(rowFrom(query, columns));
        return rows;
    }

    // Removes at most kPruneChunk rows older than keepDays or beyond
    // keepRows, the oldest first, in one short transaction.
    qint64 pruneChunk(qint64 now)
    {
        if (!ready)
            return 0;
        QSqlQuery query(db());
        qint64 removed = 0;
        query.prepare(QStringLiteral(
            "DELETE FROM history WHERE id IN (SELECT id FROM history WHERE at < ? ORDER BY id LIMIT ?)"));
        query.bindValue(0, now - qint64(keepDays) * kDayMs);
        query.bindValue(1, ServerDatabase::kPruneChunk);
        if (query.exec())
            removed += query.numRowsAffected();
        rowCount = qMax<qint64>(0, rowCount - removed);
        const qint64 beyond = qMin<qint64>(rowCount - keepRows, ServerDatabase::kPruneChunk - removed);
        if (beyond > 0) {
            query.prepare(
                QStringLiteral("DELETE FROM history WHERE id IN (SELECT id FROM history ORDER BY id LIMIT ?)"));
            query.bindValue(0, beyond);
            if (query.exec()) {
                removed += query.numRowsAffected();
                rowCount = qMax<qint64>(0, rowCount - query.numRowsAffected());
            }
        }
        return removed;
    }
    qint64 prune(qint64 now)
    {
        qint64 removed = 0;
        for (qint64 step = ServerDatabase::kPruneChunk; step >= ServerDatabase::kPruneChunk;) {
            step = pruneChunk(now);
            removed += step;
        }
        return removed;
    }
    // A retention pass in steps: each step is queued behind what waits for
    // this thread, so reads and writes are not held up by it.
    void pruneSteps(qint64 now)
    {
        pruning = true;
        if (pruneChunk(now) < ServerDatabase::kPruneChunk) {
            pruning = false;
            return;
        }
        QMetaObject::invokeMethod(
            this, [this, now] { pruneSteps(now); }, Qt::QueuedConnection);
    }

    // Takes a batch in with what waits (the oldest rows given up beyond
    // kMaxUnwritten) and writes it all; false when it must wait.
    bool take(QList<StoredHistoryRow> rows, const QHash<QString, FleetStatus::BoxStatus> &fleet,
              const std::optional<QByteArray> &draft, qint64 droppedBefore, qint64 now)
    {
        dropped += droppedBefore;
        unwritten.append(std::move(rows));
        for (auto it = fleet.begin(); it != fleet.end(); ++it)
            fleetUnwritten.insert(it.key(), it.value());
        if (draft)
            draftUnwritten = draft;
        if (unwritten.size() > ServerDatabase::kMaxUnwritten) {
            const qsizetype over = unwritten.size() - ServerDatabase::kMaxUnwritten;
            unwritten.remove(0, over);
            dropped += over;
        }
        if (unwritten.isEmpty() && fleetUnwritten.isEmpty() && !draftUnwritten)
            return true;
        if (!ready) {
            // Locked or on a full disk when opened: tried again with each batch.
            QString why;
            bool damaged = false;
            close();
            if (!tryOpen(path, &why, &damaged)) {
                close();
                lastError = why;
                return false;
            }
        }
        if (!write(unwritten, fleetUnwritten, draftUnwritten, now))
            return false;
        lastWritten = unwritten.size();
        rowCount += unwritten.size();
        unwritten.clear();
        fleetUnwritten.clear();
        draftUnwritten.reset();
        // Rows past the limit by a margin are not left for the daily pass.
        if (!pruning && rowCount > keepRows + qMax(1000, keepRows / 20))
            QMetaObject::invokeMethod(
                this, [this, now] { pruneSteps(now); }, Qt::QueuedConnection);
        return true;
    }
};

ServerDatabase::ServerDatabase(QObject *parent) : QObject(parent)
{
    static std::atomic<int> instances{0};
    qRegisterMetaType<StoredHistoryRow>();
    m_worker = new ServerDatabaseWorker;
    m_worker->connection = QStringLiteral("boxfleet-history-%1").arg(++instances);
    m_worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread.setObjectName(QStringLiteral("history database"));
    m_thread.start();
    // Pages and searches read on a connection of their own, so they never
    // wait behind a batch or a retention step (WAL lets readers read).
    m_reader = new ServerDatabaseWorker;
    m_reader->connection = QStringLiteral("boxfleet-history-reader-%1").arg(instances);
    m_reader->moveToThread(&m_readThread);
    connect(&m_readThread, &QThread::finished, m_reader, &QObject::deleteLater);
    m_readThread.setObjectName(QStringLiteral("history reads"));
    m_readThread.start();
    m_batch.setSingleShot(true);
    m_batch.setInterval(kBatchMs);
    connect(&m_batch, &QTimer::timeout, this, &ServerDatabase::writeBatch);
    m_retry.setSingleShot(true);
    m_retry.setInterval(kRetryMs);
    connect(&m_retry, &QTimer::timeout, this, &ServerDatabase::writeBatch);
    m_pruneTimer.setInterval(int(qMin<qint64>(kPruneEveryMs, std::numeric_limits<int>::max())));
    connect(&m_pruneTimer, &QTimer::timeout, this, &ServerDatabase::pruneLater);
}

ServerDatabase::~ServerDatabase()
{
    // What was queued since the program's last flush gets one try.
    if (!m_rows.isEmpty() || !m_fleet.isEmpty() || m_draft)
        flush();
    ServerDatabaseWorker *worker = m_worker;
    QMetaObject::invokeMethod(
        worker, [worker] { worker->close(); }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
    ServerDatabaseWorker *reader = m_reader;
    QMetaObject::invokeMethod(
        reader, [reader] { reader->close(); }, Qt::BlockingQueuedConnection);
    m_readThread.quit();
    m_readThread.wait();
}

void ServerDatabase::setBusyTimeout(int ms)
{
    // Each thread takes its work in order: the setting is in place before
    // anything asked of it later, so nobody waits for it.
    for (ServerDatabaseWorker *worker : {m_worker, m_reader})
        QMetaObject::invokeMethod(worker, [worker, ms] { worker->busyMs = ms; });
}

ServerDatabase::OpenResult ServerDatabase::open(const QString &path, int keepDays, int keepRows)
{
    OpenResult result;
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE"))) {
        result.error = QStringLiteral("Qt's SQLite driver is not installed (package libqt6sql6-sqlite)");
        return result;
    }
    const qint64 stamp = now();
    ServerDatabaseWorker *worker = m_worker;
    QMetaObject::invokeMethod(
        worker,
        [&, worker] {
            worker->keepDays = keepDays;
            worker->keepRows = keepRows;
            worker->path = path;
            QString why;
            bool damaged = false;
            if (worker->tryOpen(path, &why, &damaged)) {
                result.ok = true;
                m_newestAtOpen = worker->maxIdAtOpen;
                return;
            }
            worker->close();
            result.error = why;
            if (!damaged && QFileInfo::exists(path)) {
                // Locked by another process, or no room to write: the file
                // is kept, and this run's rows wait until it can be used.
                result.ok = true;
                result.waiting = true;
                return;
            }
            // Set aside, with its journal, under a name that says when.
            const QString aside = path + QStringLiteral(".bad-") +
                                  QDateTime::fromMSecsSinceEpoch(stamp).toString(QStringLiteral("yyyyMMdd-HHmmss"));
            bool moved = !QFileInfo::exists(path) || QFile::rename(path, aside);
            for (const char *suffix : {"-wal", "-shm"}) {
                const QString journal = path + QLatin1String(suffix);
                if (QFileInfo::exists(journal))
                    moved = QFile::rename(journal, aside + QLatin1String(suffix)) && moved;
            }
            if (!moved) {
                result.error = QStringLiteral("%1; it could not be set aside").arg(why);
                return;
            }
            if (QFileInfo::exists(aside))
                result.setAside = aside;
            QString again;
            if (worker->tryOpen(path, &again, &damaged)) {
                result.ok = true;
            } else {
                worker->close();
                result.error = QStringLiteral("%1; a new one could not be made either: %2").arg(why, again);
            }
        },
        Qt::BlockingQueuedConnection);
    m_open = result.ok;
    if (m_open) {
        ServerDatabaseWorker *reader = m_reader;
        // Queued ahead of every page and search, so no wait is needed.
        QMetaObject::invokeMethod(reader, [reader, path] { reader->path = path; });
    }
    return result;
}

void ServerDatabase::startRetention()
{
    if (!m_open || m_pruneTimer.isActive())
        return;
    pruneLater();
    m_pruneTimer.start();
}

void ServerDatabase::addHistory(const StoredHistoryRow &row)
{
    if (!m_open)
        return;
    // While the database thread cannot keep up, the oldest rows here go first.
    if (m_rows.size() >= kMaxUnwritten) {
        m_rows.removeFirst();
        ++m_dropped;
    }
    m_rows.append(row);
    if (!m_batch.isActive())
        m_batch.start();
}

void ServerDatabase::putFleet(const QString &mac, const FleetStatus::BoxStatus &status)
{
    if (!m_open)
        return;
    m_fleet.insert(mac, status);
    if (!m_batch.isActive())
        m_batch.start();
}

void ServerDatabase::putDraft(const QByteArray &draft)
{
    if (!m_open)
        return;
    m_draft = draft;
    if (!m_batch.isActive())
        m_batch.start();
}

void ServerDatabase::writeBatch()
{
    if (!m_open || m_inFlight || (m_rows.isEmpty() && m_fleet.isEmpty() && !m_draft && !m_workerWaiting))
        return;
    m_retry.stop();
    m_inFlight = true;
    ServerDatabaseWorker *worker = m_worker;
    QPointer<ServerDatabase> self(this);
    const qint64 stamp = now();
    // The batch moves to the database thread; this thread goes on at once.
    QMetaObject::invokeMethod(worker, [worker, self, stamp, rows = std::exchange(m_rows, {}),
                                       fleet = std::exchange(m_fleet, {}), draft = std::exchange(m_draft, {}),
                                       dropped = std::exchange(m_dropped, 0)]() mutable {
        const bool written = worker->take(std::move(rows), fleet, draft, dropped, stamp);
        QString failed, resumed;
        if (written) {
            if (!worker->reported.isEmpty() || worker->dropped > 0) {
                // The episode ends: said once, with what was kept and what was not.
                const QString kept = QStringLiteral("%1 event history rows that waited were written to the database")
                                         .arg(worker->lastWritten);
                if (worker->dropped > 0)
                    failed = QStringLiteral("%1 event history rows were lost: more than %2 waited while the "
                                            "database could not be written; %3")
                                 .arg(worker->dropped)
                                 .arg(ServerDatabase::kMaxUnwritten)
                                 .arg(kept);
                else
                    resumed = kept;
            }
            worker->reported.clear();
            worker->dropped = 0;
        } else {
            // Said once for each reason, not every retry while a disk is full.
            if (worker->reported != worker->lastError) {
                worker->reported = worker->lastError;
                failed = QStringLiteral("The database cannot be written now (%1): %2 event history rows and %3 "
                                        "fleet status rows wait and are written as soon as it can be")
                             .arg(worker->lastError)
                             .arg(worker->unwritten.size())
                             .arg(worker->fleetUnwritten.size());
            }
        }
        QMetaObject::invokeMethod(self, [self, written, failed, resumed] {
            if (!self)
                return;
            self->batchDone(!written);
            if (!failed.isEmpty())
                emit self->writeFailed(failed);
            if (!resumed.isEmpty())
                emit self->writeResumed(resumed);
        });
    });
}

void ServerDatabase::batchDone(bool waiting)
{
    m_inFlight = false;
    m_workerWaiting = waiting;
    if (waiting)
        m_retry.start();
    else if (!m_rows.isEmpty() || !m_fleet.isEmpty() || m_draft)
        m_batch.start();
}

void ServerDatabase::flush()
{
    m_batch.stop();
    // A batch still with the database thread goes first; then the rest.
    for (int pass = 0; pass < 2; ++pass) {
        writeBatch();
        QMetaObject::invokeMethod(
            m_worker, [] {}, Qt::BlockingQueuedConnection);
        // Its answer is still on its way here: what matters now is known.
        m_inFlight = false;
        if (m_rows.isEmpty() && m_fleet.isEmpty() && !m_draft)
            break;
    }
}

ServerDatabase::Unwritten ServerDatabase::unwritten()
{
    Unwritten result;
    ServerDatabaseWorker *worker = m_worker;
    QMetaObject::invokeMethod(
        worker,
        [&, worker] {
            result.waiting = worker->unwritten.size();
            result.dropped = worker->dropped;
            result.error = worker->lastError;
        },
        Qt::BlockingQueuedConnection);
    result.waiting += m_rows.size();
    result.dropped += m_dropped;
    return result;
}

QList<StoredHistoryRow> ServerDatabase::page(qint64 beforeId, int limit)
{
    QList<StoredHistoryRow> rows;
    if (!m_open)
        return rows;
    ServerDatabaseWorker *reader = m_reader;
    QMetaObject::invokeMethod(
        reader,
        [&, reader] {
            if (reader->readable())
                rows = reader->select(nullptr, reader->clearedAt(), beforeId, limit);
        },
        Qt::BlockingQueuedConnection);
    return rows;
}

int ServerDatabase::requestPage(qint64 beforeId, int limit, const std::optional<CommandHistory::Row> &below)
{
    const int ticket = m_nextTicket++;
    ServerDatabaseWorker *reader = m_reader;
    QPointer<ServerDatabase> self(this);
    QMetaObject::invokeMethod(reader, [reader, self, ticket, beforeId, limit, below] {
        QList<StoredHistoryRow> rows;
        if (reader->readable()) {
            // A row shown whose id is not known: the rows stored before it,
            // or, when it was never stored, the rows added before its time.
            const qint64 anchor = below ? reader->idOf(*below) : 0;
            rows = reader->select(nullptr, reader->clearedAt(), anchor > 0 ? anchor : beforeId, limit,
                                  below && anchor == 0 ? below->at : 0);
        }
        QMetaObject::invokeMethod(self, [self, ticket, rows = std::move(rows)] {
            if (self)
                emit self->pageFinished(ticket, rows);
        });
    });
    return ticket;
}

void ServerDatabase::markCleared()
{
    if (!m_open)
        return;
    // Rows still queued were added before the clear: they go in first (the
    // database thread takes its work in order).
    m_batch.stop();
    writeBatch();
    ServerDatabaseWorker *worker = m_worker;
    const qint64 stamp = now();
    QMetaObject::invokeMethod(worker, [worker, stamp] {
        if (!worker->ready)
            return;
        QSqlQuery query(worker->db());
        query.prepare(QStringLiteral("INSERT OR REPLACE INTO meta(key, value) VALUES('cleared_at', ?)"));
        query.bindValue(0, stamp);
        if (!query.exec())
            worker->lastError = query.lastError().text();
    });
}

QHash<QString, FleetStatus::BoxStatus> ServerDatabase::fleet()
{
    QHash<QString, FleetStatus::BoxStatus> result;
    if (!m_open)
        return result;
    ServerDatabaseWorker *worker = m_worker;
    QMetaObject::invokeMethod(
        worker,
        [&, worker] {
            if (!worker->ready)
                return;
            QSqlQuery query(worker->db());
            query.setForwardOnly(true);
            if (!query.exec(QStringLiteral("SELECT mac, command, command_time, command_type, result, result_text, "
                                           "last_reply, transfer, files_total, files_done, files_failed, "
                                           "finished_at, transfer_list FROM fleet")))
                return;
            const Columns c(query,
                            {"mac", "command", "command_time", "command_type", "result", "result_text", "last_reply",
                             "transfer", "files_total", "files_done", "files_failed", "finished_at", "transfer_list"});
            while (query.next()) {
                FleetStatus::BoxStatus s;
                s.command = c.value(query, 1).toString();
                s.commandTime = c.value(query, 2).toLongLong();
                s.commandType = c.value(query, 3).toInt();
                s.result = enumFrom(c.value(query, 4), FleetStatus::Result::Sent);
                s.resultText = c.value(query, 5).toString();
                s.lastReply = c.value(query, 6).toString();
                s.transfer = enumFrom(c.value(query, 7), FleetStatus::Transfer::Failed);
                s.filesTotal = qMax(0, c.value(query, 8).toInt());
                s.filesDone = qMax(0, c.value(query, 9).toInt());
                s.filesFailed = qMax(0, c.value(query, 10).toInt());
                s.finishedAt = c.value(query, 11).toLongLong();
                s.transferList = c.value(query, 12).toString();
                result.insert(c.value(query, 0).toString(), s);
            }
        },
        Qt::BlockingQueuedConnection);
    return result;
}

QByteArray ServerDatabase::draft()
{
    QByteArray body;
    if (!m_open)
        return body;
    ServerDatabaseWorker *worker = m_worker;
    QMetaObject::invokeMethod(
        worker,
        [&, worker] {
            if (!worker->ready)
                return;
            QSqlQuery query(worker->db());
            if (query.exec(QStringLiteral("SELECT body FROM draft WHERE id = 1")) && query.next())
                body = query.value(0).toByteArray();
        },
        Qt::BlockingQueuedConnection);
    return body;
}

int ServerDatabase::search(const HistoryFilter &filter, qint64 beforeId, int limit)
{
    const int ticket = m_nextTicket++;
    if (!m_open) {
        QMetaObject::invokeMethod(
            this, [this, ticket] { emit searchFinished(ticket, {}, false); }, Qt::QueuedConnection);
        return ticket;
    }
    // Rows queued here are found too: the writing thread takes them first and
    // then hands the search to the reading connection, so the search waits
    // for those rows only, and later writes do not wait for the search.
    m_batch.stop();
    writeBatch();
    ServerDatabaseWorker *worker = m_worker;
    ServerDatabaseWorker *reader = m_reader;
    QPointer<ServerDatabase> self(this);
    QMetaObject::invokeMethod(worker, [reader, self, filter, beforeId, limit, ticket] {
        QMetaObject::invokeMethod(reader, [reader, self, filter, beforeId, limit, ticket] {
            // One row more than asked tells whether there are more.
            QList<StoredHistoryRow> rows;
            if (reader->readable())
                rows = reader->select(&filter, 0, beforeId, limit + 1);
            const bool more = rows.size() > limit;
            if (more)
                rows.removeLast();
            QMetaObject::invokeMethod(self, [self, ticket, rows = std::move(rows), more] {
                if (self)
                    emit self->searchFinished(ticket, rows, more);
            });
        });
    });
    return ticket;
}

void ServerDatabase::pruneLater()
{
    if (!m_open)
        return;
    // A day of rows to remove takes a while: the window thread does not wait.
    ServerDatabaseWorker *worker = m_worker;
    const qint64 stamp = now();
    QMetaObject::invokeMethod(worker, [worker, stamp] {
        if (!worker->pruning)
            worker->pruneSteps(stamp);
    });
}

qint64 ServerDatabase::prune()
{
    if (!m_open)
        return 0;
    flush();
    qint64 removed = 0;
    const qint64 stamp = now();
    ServerDatabaseWorker *worker = m_worker;
    QMetaObject::invokeMethod(
        worker, [&, worker] { removed = worker->prune(stamp); }, Qt::BlockingQueuedConnection);
    return removed;
}

ServerDatabase::Stats ServerDatabase::stats()
{
    Stats result;
    ServerDatabaseWorker *worker = m_worker;
    QMetaObject::invokeMethod(
        worker, [&, worker] { result = worker->stats; }, Qt::BlockingQueuedConnection);
    return result;
}
