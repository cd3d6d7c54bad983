#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QPair>
#include <QString>

class FleetStatus;
class MacGruoup;

// Fleet-wide counts the metrics text carries besides each box's state.
struct FleetCounters
{
    quint64 commandsSent = 0;
    QMap<int, quint64> repliesByClass; // the reply table's classes (2 succeeded, 3 failed, ...)
    int boxConnections = 0;
    quint64 contentBytesSent = 0;
    QList<QPair<int, quint64>> contentResponses; // status code (0: any other), count
    QString version;
};

// The fleet in the Prometheus text exposition format (version 0.0.4): per
// registry box labelled by mac, name and group, and the fleet-wide counters.
QByteArray MetricsText(const MacGruoup &registry, const FleetStatus &fleet, const FleetCounters &counters);

// A label value as the format writes it: backslash, double quote and line
// feed escaped.
QByteArray MetricsLabelValue(const QString &value);
