#include "historydb.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <atomic>

namespace {

constexpr int kSchemaVersion = 1;
constexpr qint64 kDayMs = 24LL * 3600 * 1000;

const char *const kSchema[] = {
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

StoredHistoryRow rowFrom(const QSqlQuery &query)
{
    StoredHistoryRow stored;
    stored.id = query.value(0).toLongLong();
    stored.at = query.value(1).toLongLong();
    for (int c = 0; c < CommandHistory::ColumnCount; ++c)
        stored.row.cells[c] = query.value(2 + c).toString();
    return stored;
}

template <typename Enum> Enum enumFrom(const QVariant &value, Enum last)
{
    const int n = value.toInt();
    return n >= 0 && n <= int(last) ? Enum(n) : Enum(0);
}

} // namespace

// Owns the connection; lives on the database thread and is used only there.
class HistoryDatabaseWorker : public QObject
{
public:
    QString connection;
    QString lastError;
    QString reported; // the write error last told to the program
    HistoryDatabase::Stats stats;
    int keepDays = 90;
    int keepRows = 2000000;

    QSqlDatabase db() const { return QSqlDatabase::database(connection, false); }

    bool exec(const char *sql, QString *error)
    {
        QSqlQuery query(db());
        if (query.exec(QString::fromLatin1(sql)))
            return true;
        *error = query.lastError().text();
        return false;
    }

    // Opens the file and makes the tables; false with the reason when the
    // file is no usable database.
    bool tryOpen(const QString &path, QString *error)
    {
        {
            QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
            database.setDatabaseName(path);
            if (!database.open()) {
                *error = database.lastError().text();
                return false;
            }
        }
        QSqlQuery mode(db());
        if (!mode.exec(QStringLiteral("PRAGMA journal_mode=WAL")) || !mode.next()) {
            *error = mode.lastError().text();
            return false;
        }
        if (mode.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0) {
            *error = QStringLiteral("journal mode %1, not WAL").arg(mode.value(0).toString());
            return false;
        }
        if (!exec("PRAGMA synchronous=NORMAL", error) || !exec("PRAGMA busy_timeout=5000", error))
            return false;
        for (const char *statement : kSchema) {
            if (!exec(statement, error))
                return false;
        }
        // Files of an earlier version lack the transfer's list: add it.
        {
            QSqlQuery column(db());
            if (!column.exec(QStringLiteral("SELECT transfer_list FROM fleet LIMIT 0")) &&
                !exec("ALTER TABLE fleet ADD COLUMN transfer_list TEXT", error))
                return false;
        }
        QSqlQuery version(db());
        if (!version.exec(QStringLiteral("PRAGMA user_version = %1").arg(kSchemaVersion))) {
            *error = version.lastError().text();
            return false;
        }
        // Reading every table once finds a file that only looks like one.
        for (const char *probe : {"SELECT count(*) FROM history WHERE id = 1", "SELECT count(*) FROM fleet",
                                  "SELECT count(*) FROM draft", "SELECT count(*) FROM meta"}) {
            QSqlQuery query(db());
            if (!query.exec(QString::fromLatin1(probe)) || !query.next()) {
                *error = query.lastError().text();
                return false;
            }
        }
        return true;
    }

    void close()
    {
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

    QList<StoredHistoryRow> select(const HistoryFilter *filter, qint64 since, qint64 beforeId, int limit)
    {
        QString sql = QStringLiteral("SELECT id, at, mac, client, ip, state, info, time FROM history WHERE at > ?");
        QVariantList values = {since};
        if (beforeId > 0) {
            sql += QStringLiteral(" AND id < ?");
            values.append(beforeId);
        }
        if (filter && !filter->text.isEmpty()) {
            sql += QStringLiteral(" AND (mac LIKE ? ESCAPE '\\' OR client LIKE ? ESCAPE '\\' OR state LIKE ? "
                                  "ESCAPE '\\' OR info LIKE ? ESCAPE '\\')");
            const QString pattern = containsPattern(filter->text);
            values << pattern << pattern << pattern << pattern;
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
        while (query.next())
            rows.append(rowFrom(query));
        return rows;
    }

    qint64 prune(qint64 now)
    {
        QSqlQuery query(db());
        qint64 removed = 0;
        query.prepare(QStringLiteral("DELETE FROM history WHERE at < ?"));
        query.bindValue(0, now - qint64(keepDays) * kDayMs);
        if (query.exec())
            removed += query.numRowsAffected();
        query.prepare(QStringLiteral(
            "DELETE FROM history WHERE id <= (SELECT id FROM history ORDER BY id DESC LIMIT 1 OFFSET ?)"));
        query.bindValue(0, keepRows);
        if (query.exec())
            removed += query.numRowsAffected();
        return removed;
    }
};

HistoryDatabase::HistoryDatabase(QObject *parent) : QObject(parent)
{
    static std::atomic<int> instances{0};
    qRegisterMetaType<StoredHistoryRow>();
    m_worker = new HistoryDatabaseWorker;
    m_worker->connection = QStringLiteral("boxfleet-history-%1").arg(++instances);
    m_worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread.setObjectName(QStringLiteral("history database"));
    m_thread.start();
    m_batch.setSingleShot(true);
    m_batch.setInterval(kBatchMs);
    connect(&m_batch, &QTimer::timeout, this, &HistoryDatabase::writeBatch);
    m_pruneTimer.setInterval(int(qMin<qint64>(kPruneEveryMs, std::numeric_limits<int>::max())));
    connect(&m_pruneTimer, &QTimer::timeout, this, &HistoryDatabase::pruneLater);
}

HistoryDatabase::~HistoryDatabase()
{
    flush();
    HistoryDatabaseWorker *worker = m_worker;
    QMetaObject::invokeMethod(
        worker, [worker] { worker->close(); }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

HistoryDatabase::OpenResult HistoryDatabase::open(const QString &path, int keepDays, int keepRows)
{
    OpenResult result;
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE"))) {
        result.error = QStringLiteral("Qt's SQLite driver is not installed (package libqt6sql6-sqlite)");
        return result;
    }
    const qint64 stamp = now();
    HistoryDatabaseWorker *worker = m_worker;
    QMetaObject::invokeMethod(
        worker,
        [&, worker] {
            worker->keepDays = keepDays;
            worker->keepRows = keepRows;
            QString why;
            if (worker->tryOpen(path, &why)) {
                result.ok = true;
                return;
            }
            worker->close();
            // Set aside, with its journal, under a name that says when.
            const QString aside = path + QStringLiteral(".bad-") +
                                  QDateTime::fromMSecsSinceEpoch(stamp).toString(QStringLiteral("yyyyMMdd-HHmmss"));
            bool moved = !QFileInfo::exists(path) || QFile::rename(path, aside);
            for (const char *suffix : {"-wal", "-shm"}) {
                const QString journal = path + QLatin1String(suffix);
                if (QFileInfo::exists(journal))
                    moved = QFile::rename(journal, aside + QLatin1String(suffix)) && moved;
            }
            result.error = why;
            if (!moved) {
                result.error = QStringLiteral("%1; it could not be set aside").arg(why);
                return;
            }
            result.setAside = aside;
            QString again;
            if (worker->tryOpen(path, &again)) {
                result.ok = true;
            } else {
                worker->close();
                result.error = QStringLiteral("%1; a new one could not be made either: %2").arg(why, again);
                result.setAside = aside;
            }
        },
        Qt::BlockingQueuedConnection);
    m_open = result.ok;
    if (m_open) {
        pruneLater();
        m_pruneTimer.start();
    }
    return result;
}

void HistoryDatabase::addHistory(const StoredHistoryRow &row)
{
    if (!m_open)
        return;
    m_rows.append(row);
    if (!m_batch.isActive())
        m_batch.start();
}

void HistoryDatabase::putFleet(const QString &mac, const FleetStatus::BoxStatus &status)
{
    if (!m_open)
        return;
    m_fleet.insert(mac, status);
    if (!m_batch.isActive())
        m_batch.start();
}

void HistoryDatabase::putDraft(const QByteArray &draft)
{
    if (!m_open)
        return;
    m_draft = draft;
    if (!m_batch.isActive())
        m_batch.start();
}

void HistoryDatabase::writeBatch()
{
    if (!m_open || (m_rows.isEmpty() && m_fleet.isEmpty() && !m_draft))
        return;
    HistoryDatabaseWorker *worker = m_worker;
    QPointer<HistoryDatabase> self(this);
    const qint64 stamp = now();
    // The batch moves to the database thread; this thread goes on at once.
    QMetaObject::invokeMethod(worker, [worker, self, stamp, rows = std::exchange(m_rows, {}),
                                       fleet = std::exchange(m_fleet, {}), draft = std::exchange(m_draft, {})] {
        if (worker->write(rows, fleet, draft, stamp)) {
            worker->reported.clear();
            return;
        }
        // Said once for each reason, not every 200 ms while a disk is full.
        if (worker->reported == worker->lastError)
            return;
        worker->reported = worker->lastError;
        const QString message =
            QStringLiteral("%1 event history rows and %2 fleet status rows could not be written to the database: %3")
                .arg(rows.size())
                .arg(fleet.size())
                .arg(worker->lastError);
        QMetaObject::invokeMethod(self, [self, message] {
            if (self)
                emit self->writeFailed(message);
        });
    });
}

void HistoryDatabase::flush()
{
    m_batch.stop();
    writeBatch();
    // Everything queued before this runs first.
    QMetaObject::invokeMethod(
        m_worker, [] {}, Qt::BlockingQueuedConnection);
}

QList<StoredHistoryRow> HistoryDatabase::page(qint64 beforeId, int limit)
{
    QList<StoredHistoryRow> rows;
    if (!m_open)
        return rows;
    HistoryDatabaseWorker *worker = m_worker;
    QMetaObject::invokeMethod(
        worker, [&, worker] { rows = worker->select(nullptr, worker->clearedAt(), beforeId, limit); },
        Qt::BlockingQueuedConnection);
    return rows;
}

void HistoryDatabase::markCleared()
{
    if (!m_open)
        return;
    // Rows still queued were added before the clear: they go in first.
    flush();
    HistoryDatabaseWorker *worker = m_worker;
    const qint64 stamp = now();
    QMetaObject::invokeMethod(worker, [worker, stamp] {
        QSqlQuery query(worker->db());
        query.prepare(QStringLiteral("INSERT OR REPLACE INTO meta(key, value) VALUES('cleared_at', ?)"));
        query.bindValue(0, stamp);
        if (!query.exec())
            worker->lastError = query.lastError().text();
    });
}

QHash<QString, FleetStatus::BoxStatus> HistoryDatabase::fleet()
{
    QHash<QString, FleetStatus::BoxStatus> result;
    if (!m_open)
        return result;
    HistoryDatabaseWorker *worker = m_worker;
    QMetaObject::invokeMethod(
        worker,
        [&, worker] {
            QSqlQuery query(worker->db());
            query.setForwardOnly(true);
            if (!query.exec(QStringLiteral("SELECT mac, command, command_time, command_type, result, result_text, "
                                           "last_reply, transfer, files_total, files_done, files_failed, "
                                           "finished_at, transfer_list FROM fleet")))
                return;
            while (query.next()) {
                FleetStatus::BoxStatus s;
                s.command = query.value(1).toString();
                s.commandTime = query.value(2).toLongLong();
                s.commandType = query.value(3).toInt();
                s.result = enumFrom(query.value(4), FleetStatus::Result::Sent);
                s.resultText = query.value(5).toString();
                s.lastReply = query.value(6).toString();
                s.transfer = enumFrom(query.value(7), FleetStatus::Transfer::Failed);
                s.filesTotal = qMax(0, query.value(8).toInt());
                s.filesDone = qMax(0, query.value(9).toInt());
                s.filesFailed = qMax(0, query.value(10).toInt());
                s.finishedAt = query.value(11).toLongLong();
                s.transferList = query.value(12).toString();
                result.insert(query.value(0).toString(), s);
            }
        },
        Qt::BlockingQueuedConnection);
    return result;
}

QByteArray HistoryDatabase::draft()
{
    QByteArray body;
    if (!m_open)
        return body;
    HistoryDatabaseWorker *worker = m_worker;
    QMetaObject::invokeMethod(
        worker,
        [&, worker] {
            QSqlQuery query(worker->db());
            if (query.exec(QStringLiteral("SELECT body FROM draft WHERE id = 1")) && query.next())
                body = query.value(0).toByteArray();
        },
        Qt::BlockingQueuedConnection);
    return body;
}

int HistoryDatabase::search(const HistoryFilter &filter, qint64 beforeId, int limit)
{
    const int ticket = m_nextTicket++;
    if (!m_open) {
        QMetaObject::invokeMethod(
            this, [this, ticket] { emit searchFinished(ticket, {}, false); }, Qt::QueuedConnection);
        return ticket;
    }
    HistoryDatabaseWorker *worker = m_worker;
    QPointer<HistoryDatabase> self(this);
    QMetaObject::invokeMethod(worker, [worker, self, filter, beforeId, limit, ticket] {
        // One row more than asked tells whether there are more.
        QList<StoredHistoryRow> rows = worker->select(&filter, 0, beforeId, limit + 1);
        const bool more = rows.size() > limit;
        if (more)
            rows.removeLast();
        QMetaObject::invokeMethod(self, [self, ticket, rows = std::move(rows), more] {
            if (self)
                emit self->searchFinished(ticket, rows, more);
        });
    });
    return ticket;
}

void HistoryDatabase::pruneLater()
{
    if (!m_open)
        return;
    // A day of rows to remove takes a while: the window thread does not wait.
    HistoryDatabaseWorker *worker = m_worker;
    const qint64 stamp = now();
    QMetaObject::invokeMethod(worker, [worker, stamp] { worker->prune(stamp); });
}

qint64 HistoryDatabase::prune()
{
    if (!m_open)
        return 0;
    flush();
    qint64 removed = 0;
    const qint64 stamp = now();
    HistoryDatabaseWorker *worker = m_worker;
    QMetaObject::invokeMethod(
        worker, [&, worker] { removed = worker->prune(stamp); }, Qt::BlockingQueuedConnection);
    return removed;
}

HistoryDatabase::Stats HistoryDatabase::stats()
{
    Stats result;
    HistoryDatabaseWorker *worker = m_worker;
    QMetaObject::invokeMethod(
        worker, [&, worker] { result = worker->stats; }, Qt::BlockingQueuedConnection);
    return result;
}
