#include "history.h"

#include "base/codepage.h"
#include "boxwords.h"

#include <QTime>

#include <algorithm>
#include <vector>

CommandHistory::CommandHistory(QObject *parent) : QAbstractTableModel(parent) {}

const QStringList &CommandHistory::SentStates()
{
    static const QStringList states = {
        QString::fromLatin1(QT_TRANSLATE_NOOP("BoxWords", "Command Send")),
        QString::fromLatin1(QT_TRANSLATE_NOOP("BoxWords", "Setup Succeed")),
        QString::fromLatin1(QT_TRANSLATE_NOOP("BoxWords", "Setup Failed")),
        QString::fromLatin1(QT_TRANSLATE_NOOP("BoxWords", "Other")),
    };
    return states;
}

void CommandHistory::AddSentCommand(const QString &mac, const QString &clientName, const QString &ip,
                                    const QString &historyName, int outcome)
{
    const QStringList states = SentStates();
    const QString state = outcome >= 0 && outcome < states.size() - 1 ? states[outcome] : states.last();
    addRow({{mac, clientName, ip, state, historyName, QString()}});
}

void CommandHistory::AddReply(const QString &mac, const QString &clientName, const QString &ip, const QString &display,
                              const QString &message)
{
    addRow({{mac, clientName, ip, display, message, QString()}});
}

void CommandHistory::addRow(Row row)
{
    const QDateTime now = m_clock->now();
    row.cells[TimeColumn] = now.time().toString(QStringLiteral("HH:mm:ss"));
    row.at = now.toMSecsSinceEpoch();
    beginInsertRows({}, 0, 0);
    m_rows.prepend(row);
    endInsertRows();
    emit rowAdded();
    emit rowToKeep(row, row.at);
    if (m_rows.size() > kMaxRows + kTrimRows) {
        beginRemoveRows({}, kMaxRows, int(m_rows.size()) - 1);
        m_rows.resize(kMaxRows);
        endRemoveRows();
        m_hasOlder = bool(m_older);
        emit olderTrimmed();
    }
}

void CommandHistory::clear()
{
    beginResetModel();
    m_rows.clear();
    // What was cleared stays cleared, older rows included.
    m_hasOlder = false;
    endResetModel();
    emit cleared();
}

void CommandHistory::appendOlder(const QList<Row> &rows)
{
    if (rows.isEmpty())
        return;
    beginInsertRows({}, int(m_rows.size()), int(m_rows.size() + rows.size() - 1));
    m_rows.append(rows);
    endInsertRows();
}

void CommandHistory::setOlderSource(std::function<QList<Row>()> source)
{
    m_older = std::move(source);
    m_hasOlder = bool(m_older);
}

bool CommandHistory::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && m_hasOlder;
}

void CommandHistory::fetchMore(const QModelIndex &parent)
{
    if (parent.isValid() || !m_hasOlder)
        return;
    const QList<Row> rows = m_older();
    m_hasOlder = !rows.isEmpty();
    appendOlder(rows);
}

void CommandHistory::sortByColumn(int column)
{
    if (column < 0 || column >= ColumnCount)
        return;
    // One key per row, made once, keeps a sort of a million rows quick.
    struct Key
    {
        QByteArray folded;
        qsizetype row;
    };
    std::vector<Key> keys;
    keys.reserve(size_t(m_rows.size()));
    for (qsizetype i = 0; i < m_rows.size(); ++i)
        keys.push_back({column == TimeColumn && m_rows[i].at > 0
                            ? QByteArray::number(m_rows[i].at).rightJustified(20, '0')
                            : CodePage::sortKey(m_rows[i].cells[column]),
                        i});
    std::stable_sort(keys.begin(), keys.end(), [](const Key &a, const Key &b) { return a.folded < b.folded; });
    emit layoutAboutToBeChanged();
    std::vector<int> newRowOf(keys.size());
    QList<Row> sorted;
    sorted.reserve(m_rows.size());
    for (size_t i = 0; i < keys.size(); ++i) {
        newRowOf[size_t(keys[i].row)] = int(i);
        sorted.append(std::move(m_rows[keys[i].row]));
    }
    m_rows = std::move(sorted);
    // Selections follow their rows.
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex &index : before)
        after.append(this->index(newRowOf[size_t(index.row())], index.column()));
    changePersistentIndexList(before, after);
    emit layoutChanged();
}

int CommandHistory::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int CommandHistory::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

bool CommandHistory::isToday(qint64 at) const
{
    const qint64 now = m_clock->msecsSinceEpoch();
    if (now < m_todayFrom || now >= m_todayTo) {
        const QDate today = QDateTime::fromMSecsSinceEpoch(now).date();
        m_todayFrom = today.startOfDay().toMSecsSinceEpoch();
        m_todayTo = today.addDays(1).startOfDay().toMSecsSinceEpoch();
    }
    return at >= m_todayFrom && at < m_todayTo;
}

QVariant CommandHistory::data(const QModelIndex &index, int role) const
{
    // A tool tip gives the whole text of a cell cut to fit.
    if (role == Qt::ToolTipRole)
        role = Qt::DisplayRole;
    if ((role != Qt::DisplayRole && role != kExportRole) || !index.isValid() || index.row() >= m_rows.size())
        return {};
    const Row &row = m_rows.at(index.row());
    // The time column shows the time of today's rows; older rows and
    // exports carry the date too.
    if (index.column() == TimeColumn && row.at > 0 && (role == kExportRole || !isToday(row.at)))
        return QDateTime::fromMSecsSinceEpoch(row.at).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (role == kExportRole)
        return {};
    // Commands and replies in the words of the interface's language: the
    // state, and the command a sent row names.
    if (index.column() == StateColumn ||
        (index.column() == InfoColumn && SentStates().contains(row.cells[StateColumn])))
        return ReadableWord(row.cells[index.column()]);
    return row.cells[index.column()];
}

QVariant CommandHistory::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const char *const captions[] = {QT_TR_NOOP("Mac地址"), QT_TR_NOOP("客户端名"), QT_TR_NOOP("IP地址"),
                                           QT_TR_NOOP("状态"),    QT_TR_NOOP("信息"),     QT_TR_NOOP("时间")};
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
        return {};
    return tr(captions[section]);
}
