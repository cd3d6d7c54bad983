#pragma once

#include "base/clock.h"

#include <QAbstractTableModel>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// The event history: one row per command sent and per recognised reply,
// newest first. Rows are added at the top; older ones kept elsewhere (the
// database) come in at the bottom as the view scrolls down. They are removed
// all together.
// The text an export writes where it says more than the cell shows (a whole
// date and time where the table shows a time of today).
inline constexpr int kExportRole = Qt::UserRole + 64;

class CommandHistory : public QAbstractTableModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CommandHistory)

public:
    enum Column
    {
        MacColumn,
        ClientColumn,
        IpColumn,
        StateColumn,
        InfoColumn,
        TimeColumn,
        ColumnCount
    };

    // The states of a sent command's row by its outcome (0 to 2), then the
    // state of any other outcome.
    static const QStringList &SentStates();

    // The clock that stamps new rows.
    void setClock(const Clock &clock) { m_clock = &clock; }

    struct Row
    {
        QString cells[ColumnCount];
        qint64 at = 0; // when it was added, ms since 1970 (0: not known)
    };

    // Rows kept in memory: the newest; beyond kMaxRows + kTrimRows the
    // oldest kTrimRows go, and the older source brings them back as the view
    // scrolls down.
    static constexpr int kMaxRows = 100000;
    static constexpr int kTrimRows = 10000;

    explicit CommandHistory(QObject *parent = nullptr);

    // outcome 0 "Command Send", 1 "Setup Succeed", 2 "Setup Failed", else "Other".
    void AddSentCommand(const QString &mac, const QString &clientName, const QString &ip, const QString &historyName,
                        int outcome = 0);
    void AddReply(const QString &mac, const QString &clientName, const QString &ip, const QString &display,
                  const QString &message);
    void clear();
    // Rows from an earlier run, newest first, below the rows there are.
    void appendOlder(const QList<Row> &rows);
    // Where more older rows come from when the view scrolls to the end; it
    // returns an empty list when there are no more.
    void setOlderSource(std::function<QList<Row>()> source);
    // Older rows that arrive later: the source asked for them and returned
    // nothing; when they come, appendOlder and say whether there are more.
    void setHasOlder(bool more) { m_hasOlder = more && bool(m_older); }
    // Ascending by the column's text, without regard to case; stable.
    void sortByColumn(int column);

    const Row &rowAt(int row) const { return m_rows.at(row); }
    QString cell(int row, int column) const { return m_rows.at(row).cells[column]; }

    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

signals:
    // A row went in at the top.
    void rowAdded();
    // The same row, with when it was added (ms since 1970), to be kept.
    void rowToKeep(const CommandHistory::Row &row, qint64 at);
    // The operator cleared the history.
    void cleared();
    // The oldest rows were let go to bound memory; the older source now
    // starts below the last row kept.
    void olderTrimmed();

private:
    void addRow(Row row);
    bool isToday(qint64 at) const;

    const Clock *m_clock = &Clock::system();
    mutable qint64 m_todayFrom = 0, m_todayTo = 0; // ms since 1970
    QList<Row> m_rows;
    std::function<QList<Row>()> m_older;
    bool m_hasOlder = false;
};
