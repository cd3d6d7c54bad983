#include "metrics.h"

#include "fleetstatus.h"
#include "registry/MacGroup.h"

namespace {

// One metric family: its help and type once, then its samples.
class Family
{
public:
    Family(QByteArray &out, const char *name, const char *type, const char *help) : m_out(out), m_name(name)
    {
        m_out += QByteArray("# HELP ") + name + ' ' + help + "\n# TYPE " + name + ' ' + type + '\n';
    }
    void sample(const QByteArray &labels, qint64 value)
    {
        m_out += m_name;
        if (!labels.isEmpty())
            m_out += '{' + labels + '}';
        m_out += ' ' + QByteArray::number(value) + '\n';
    }

private:
    QByteArray &m_out;
    QByteArray m_name;
};

QByteArray label(const char *name, const QString &value)
{
    return QByteArray(name) + "=\"" + MetricsLabelValue(value) + '"';
}

QByteArray replyClass(int klass)
{
    switch (klass) {
    case 2:
        return "succeeded";
    case 3:
        return "failed";
    case 4:
        return "report";
    case 5:
        return "progress";
    default:
        return "other";
    }
}

} // namespace

QByteArray MetricsLabelValue(const QString &value)
{
    QByteArray out;
    const QByteArray utf8 = value.toUtf8();
    out.reserve(utf8.size());
    for (const char c : utf8) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '"')
            out += "\\\"";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

QByteArray MetricsText(const MacGruoup &registry, const FleetStatus &fleet, const FleetCounters &counters)
{
    QByteArray out;
    QList<QByteArray> boxLabels;
    for (int slot = 0; slot < registry.BoxCount(); ++slot) {
        const MacGroupData &box = registry.Box(slot);
        boxLabels.append(label("mac", box.MacAdd) + ',' + label("name", box.ClientName) + ',' +
                         label("group", registry.GroupNameOf(slot)));
    }
    const auto each = [&](Family &family, auto value) {
        for (int slot = 0; slot < registry.BoxCount(); ++slot)
            value(family, slot, boxLabels[slot]);
    };

    Family up(out, "boxfleet_box_up", "gauge", "Whether the box is online (1) or not (0).");
    each(up, [&](Family &f, int slot, const QByteArray &l) { f.sample(l, registry.Box(slot).Online == 1 ? 1 : 0); });
    Family heard(out, "boxfleet_box_last_heartbeat_timestamp_seconds", "gauge",
                 "When the box's last heartbeat arrived, in seconds since 1970.");
    each(heard, [&](Family &f, int slot, const QByteArray &l) {
        if (registry.Box(slot).LastHeard != 0)
            f.sample(l, registry.Box(slot).LastHeard);
    });
    Family skew(out, "boxfleet_box_clock_skew_seconds", "gauge",
                "The box's clock minus the server's, from its last heartbeat.");
    each(skew, [&](Family &f, int slot, const QByteArray &l) { f.sample(l, registry.Box(slot).ClockAhead()); });
    Family files(out, "boxfleet_box_transfer_files", "gauge", "Files of the box's last transfer, by state.");
    each(files, [&](Family &f, int slot, const QByteArray &l) {
        const FleetStatus::BoxStatus s = fleet.status(registry.Box(slot).MacAdd);
        f.sample(l + ",state=\"done\"", s.filesDone);
        f.sample(l + ",state=\"failed\"", s.filesFailed);
        f.sample(l + ",state=\"total\"", s.filesTotal);
    });
    Family ready(out, "boxfleet_box_transfer_ready", "gauge",
                 "Whether the box's last transfer ended with every file done.");
    each(ready, [&](Family &f, int slot, const QByteArray &l) {
        f.sample(l, fleet.status(registry.Box(slot).MacAdd).transfer == FleetStatus::Transfer::Ready ? 1 : 0);
    });
    Family result(out, "boxfleet_box_last_command_result", "gauge",
                  "The state of the last command sent to the box (1 for the current one).");
    each(result, [&](Family &f, int slot, const QByteArray &l) {
        const FleetStatus::Result r = fleet.status(registry.Box(slot).MacAdd).result;
        const std::pair<const char *, FleetStatus::Result> states[] = {{"waiting", FleetStatus::Result::Waiting},
                                                                       {"done", FleetStatus::Result::Done},
                                                                       {"failed", FleetStatus::Result::Failed},
                                                                       {"no_answer", FleetStatus::Result::NoAnswer}};
        for (const auto &[name, state] : states)
            f.sample(l + ",result=\"" + name + '"', r == state ? 1 : 0);
    });

    Family sent(out, "boxfleet_commands_sent_total", "counter", "Commands sent to boxes.");
    sent.sample({}, qint64(counters.commandsSent));
    Family replies(out, "boxfleet_replies_total", "counter", "Replies from boxes, by class.");
    QMap<QByteArray, quint64> byName;
    for (auto it = counters.repliesByClass.begin(); it != counters.repliesByClass.end(); ++it)
        byName[replyClass(it.key())] += it.value();
    for (const char *name : {"succeeded", "failed", "report", "progress", "other"})
        replies.sample(QByteArray("class=\"") + name + '"', qint64(byName.value(name)));
    Family connections(out, "boxfleet_box_connections", "gauge", "Open box connections.");
    connections.sample({}, counters.boxConnections);
    Family bytes(out, "boxfleet_content_bytes_sent_total", "counter",
                 "Bytes of file bodies the content service sent whole.");
    bytes.sample({}, qint64(counters.contentBytesSent));
    Family requests(out, "boxfleet_content_requests_total", "counter", "Content service responses, by status code.");
    for (const auto &[code, count] : counters.contentResponses)
        requests.sample("code=\"" + (code > 0 ? QByteArray::number(code) : QByteArray("other")) + '"', qint64(count));
    Family build(out, "boxfleet_build_info", "gauge", "The program's version.");
    build.sample(label("version", counters.version), 1);
    return out;
}
