#pragma once

#include "base/clock.h"
#include "fleetstatus.h"

#include <QAbstractTableModel>
#include <QSet>
#include <QSortFilterProxyModel>

#include <functional>

// One row per registry box: what its heartbeats say and what the fleet
// status store knows of its last command and transfer. Rebuilt by refresh().
class FleetModel : public QAbstractTableModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FleetModel)

public:
    enum Column
    {
        MacColumn,
        NameColumn,
        GroupColumn,
        StateColumn,
        HeardColumn, // seconds since the last heartbeat
        ClockColumn,
        VersionColumn,
        CommandColumn,
        SentColumn,
        ResultColumn,
        ReplyColumn,
        TransferColumn,
        FilesColumn,
        FailedColumn,
        FinishedColumn,
        ColumnCount
    };
    // The value a column sorts by (numbers as numbers).
    static constexpr int SortRole = Qt::UserRole;
    // True for a row to show in red: offline, or a failure.
    static constexpr int AlertRole = Qt::UserRole + 1;

    FleetModel(const MacGruoup &registry, const FleetStatus &fleet, QObject *parent = nullptr);
    void setClock(const Clock &clock) { m_clock = &clock; }

    void refresh();

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    FleetStatus::Transfer transferOf(int row) const { return m_rows.at(row).transfer; }
    bool onlineAt(int row) const { return m_rows.at(row).online; }
    bool failedAt(int row) const { return m_rows.at(row).failed; }

private:
    struct Row
    {
        QStringList texts;
        QVariantList keys;
        bool online = false;
        bool failed = false;
        FleetStatus::Transfer transfer = FleetStatus::Transfer::None;
    };
    qint64 now() const;

    const MacGruoup &m_registry;
    const FleetStatus &m_fleet;
    const Clock *m_clock = &Clock::system();
    QList<Row> m_rows;
};

// What the window shows: all boxes, or only those offline, failed, in
// progress or ready; sorted by any column.
class FleetFilter : public QSortFilterProxyModel
{
    Q_OBJECT

public:
    enum Filter
    {
        All,
        Offline,
        Failed,
        InProgress,
        Ready
    };
    explicit FleetFilter(QObject *parent = nullptr);
    void setFilter(Filter filter);
    // Only these boxes (the ones an alert is about); empty: every box.
    void setOnly(const QSet<QString> &macs);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;
    bool lessThan(const QModelIndex &left, const QModelIndex &right) const override;

private:
    Filter m_filter = All;
    QSet<QString> m_only;
};

// "N boxes: a online, b offline · transfer: r ready, p in progress, f failed"
QString FleetSummary(const MacGruoup &registry, const FleetStatus &fleet);

// The rows a view shows, as CSV in UTF-8 with a byte-order mark, so that
// spreadsheet programs read Chinese names; kExportRole's text where a model
// gives one.
QByteArray FleetCsv(const QAbstractItemModel &model);
