#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QString>

// The event history: one row per command sent and per recognised reply,
// newest first. Rows are only added at the top and removed all together.
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

    struct Row
    {
        QString cells[ColumnCount];
    };

    explicit CommandHistory(QObject *parent = nullptr);

    // outcome 0 "Command Send", 1 "Setup Succeed", 2 "Setup Failed", else "Other".
    void AddSentCommand(const QString &mac, const QString &clientName, const QString &ip, const QString &historyName,
                        int outcome = 0);
    void AddReply(const QString &mac, const QString &clientName, const QString &ip, const QString &display,
                  const QString &message);
    void clear();
    // Ascending by the column's text, without regard to case; stable.
    void sortByColumn(int column);

    const Row &rowAt(int row) const { return m_rows.at(row); }
    QString cell(int row, int column) const { return m_rows.at(row).cells[column]; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

signals:
    // A row went in at the top.
    void rowAdded();

private:
    void addRow(Row row);

    QList<Row> m_rows;
};
