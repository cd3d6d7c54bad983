#include "fleetmodel.h"

#include "base/codepage.h"
#include "boxwords.h"
#include "history.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QRegularExpression>

FleetModel::FleetModel(const MacGruoup &registry, const FleetStatus &fleet, QObject *parent)
    : QAbstractTableModel(parent), m_registry(registry), m_fleet(fleet)
{
    refresh();
}

qint64 FleetModel::now() const
{
    return m_clock->secsSinceEpoch();
}

void FleetModel::refresh()
{
    const qint64 t = now();
    const auto time = [](qint64 seconds) {
        return seconds ? QDateTime::fromSecsSinceEpoch(seconds).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                       : QString();
    };
    QList<Row> rows;
    rows.reserve(m_registry.BoxCount());
    for (int slot = 0; slot < m_registry.BoxCount(); ++slot) {
        const MacGroupData &b = m_registry.Box(slot);
        const FleetStatus::BoxStatus s = m_fleet.status(b.MacAdd);
        Row row;
        row.online = b.Online == 1;
        row.transfer = s.transfer;
        row.failed = s.result == FleetStatus::Result::Failed || s.result == FleetStatus::Result::NoAnswer ||
                     s.transfer == FleetStatus::Transfer::Failed;
        const qint64 heard = b.LastHeard ? t - qint64(b.LastHeard) : -1;
        const QString files = s.transfer == FleetStatus::Transfer::None
                                  ? QString()
                                  : QString::number(s.filesDone) + QLatin1Char('/') + QString::number(s.filesTotal);
        row.texts = {b.MacAdd,
                     b.ClientName,
                     m_registry.GroupNameOf(slot),
                     MacGruoup::OnlineText(b.Online),
                     heard < 0 ? QString() : QString::number(heard),
                     QString::number(b.ClockAhead()),
                     b.BoxVer,
                     ReadableWord(s.command),
                     time(s.commandTime),
                     FleetStatus::ResultText(s.result),
                     ReadableWord(s.result == FleetStatus::Result::None ? s.lastReply : s.resultText),
                     FleetStatus::TransferText(s.transfer),
                     files,
                     s.transfer == FleetStatus::Transfer::None ? QString() : QString::number(s.filesFailed),
                     time(s.finishedAt)};
        for (int c = 0; c < ColumnCount; ++c) {
            switch (c) {
            case HeardColumn:
                row.keys.append(heard);
                break;
            case ClockColumn:
                row.keys.append(b.ClockAhead());
                break;
            case FilesColumn:
                row.keys.append(s.filesDone);
                break;
            case FailedColumn:
                row.keys.append(s.filesFailed);
                break;
            default:
                row.keys.append(CodePage::sortKey(row.texts[c]));
            }
        }
        rows.append(row);
    }
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

int FleetModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int FleetModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant FleetModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const Row &row = m_rows.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole: // the whole text of a cell cut to fit
        return row.texts.value(index.column());
    case SortRole:
        return row.keys.value(index.column());
    case AlertRole:
        return !row.online || row.failed;
    default:
        return {};
    }
}

QVariant FleetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const char *const titles[] = {
        QT_TR_NOOP("MAC"),           QT_TR_NOOP("Name"),           QT_TR_NOOP("Group"),   QT_TR_NOOP("State"),
        QT_TR_NOOP("Heard (s ago)"), QT_TR_NOOP("Clock diff (s)"), QT_TR_NOOP("Version"), QT_TR_NOOP("Last command"),
        QT_TR_NOOP("Sent"),          QT_TR_NOOP("Result"),         QT_TR_NOOP("Reply"),   QT_TR_NOOP("Transfer"),
        QT_TR_NOOP("Files"),         QT_TR_NOOP("Failed files"),   QT_TR_NOOP("Finished")};
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
        return {};
    return tr(titles[section]);
}

FleetFilter::FleetFilter(QObject *parent) : QSortFilterProxyModel(parent)
{
    setSortRole(FleetModel::SortRole);
}

void FleetFilter::setFilter(Filter filter)
{
    m_filter = filter;
    invalidateFilter();
}

void FleetFilter::setOnly(const QSet<QString> &macs)
{
    m_only = macs;
    invalidateFilter();
}

bool FleetFilter::filterAcceptsRow(int sourceRow, const QModelIndex &) const
{
    const auto *model = static_cast<const FleetModel *>(sourceModel());
    if (!m_only.isEmpty() &&
        !m_only.contains(model->index(sourceRow, FleetModel::MacColumn).data(Qt::DisplayRole).toString()))
        return false;
    switch (m_filter) {
    case All:
        return true;
    case Offline:
        return !model->onlineAt(sourceRow);
    case Failed:
        return model->failedAt(sourceRow);
    case InProgress:
        return model->transferOf(sourceRow) == FleetStatus::Transfer::InProgress;
    case Ready:
        return model->transferOf(sourceRow) == FleetStatus::Transfer::Ready;
    }
    return true;
}

bool FleetFilter::lessThan(const QModelIndex &left, const QModelIndex &right) const
{
    const QVariant a = left.data(FleetModel::SortRole);
    const QVariant b = right.data(FleetModel::SortRole);
    if (a.typeId() == QMetaType::QByteArray)
        return a.toByteArray() < b.toByteArray();
    return a.toLongLong() < b.toLongLong();
}

QString FleetSummary(const MacGruoup &registry, const FleetStatus &fleet)
{
    int online = 0, ready = 0, running = 0, failed = 0;
    for (int slot = 0; slot < registry.BoxCount(); ++slot) {
        online += registry.Box(slot).Online == 1;
        switch (fleet.status(registry.Box(slot).MacAdd).transfer) {
        case FleetStatus::Transfer::Ready:
            ++ready;
            break;
        case FleetStatus::Transfer::InProgress:
            ++running;
            break;
        case FleetStatus::Transfer::Failed:
            ++failed;
            break;
        case FleetStatus::Transfer::None:
            break;
        }
    }
    return QCoreApplication::translate(
               "FleetSummary", "%1 boxes: %2 online, %3 offline · transfer: %4 ready, %5 in progress, %6 failed")
        .arg(QString::number(registry.BoxCount()), QString::number(online),
             QString::number(registry.BoxCount() - online), QString::number(ready), QString::number(running),
             QString::number(failed));
}

QByteArray FleetCsv(const QAbstractItemModel &model)
{
    const auto field = [](QString text) {
        // Texts from boxes reach spreadsheets: one that would start a
        // formula is kept as text. A plain number ("-90", "1.5") stays one.
        static const QString formulaStarts = QStringLiteral("=+-@\t\r");
        static const QRegularExpression plainNumber(QStringLiteral("^-?[0-9]+(\\.[0-9]+)?$"));
        if (!text.isEmpty() && formulaStarts.contains(text.front()) && !plainNumber.match(text).hasMatch())
            text.prepend(QLatin1Char('\''));
        if (text.contains(QLatin1Char(',')) || text.contains(QLatin1Char('"')) || text.contains(QLatin1Char('\n')) ||
            text.contains(QLatin1Char('\r'))) {
            text.replace(QLatin1String("\""), QLatin1String("\"\""));
            text = QLatin1Char('"') + text + QLatin1Char('"');
        }
        return text;
    };
    QString csv;
    QStringList line;
    for (int c = 0; c < model.columnCount(); ++c)
        line.append(field(model.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString()));
    csv += line.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    for (int r = 0; r < model.rowCount(); ++r) {
        line.clear();
        for (int c = 0; c < model.columnCount(); ++c) {
            const QModelIndex index = model.index(r, c);
            const QVariant exported = index.data(kExportRole);
            line.append(field(exported.isValid() ? exported.toString() : index.data().toString()));
        }
        csv += line.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    }
    return QByteArray("\xEF\xBB\xBF") + csv.toUtf8();
}
