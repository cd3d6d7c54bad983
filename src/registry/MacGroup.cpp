#include "MacGroup.h"

#include "base/codepage.h"
#include "config/inifile.h"

#include <QDateTime>

namespace {

// A text that fits its field and reads back from the file as itself.
bool fits(const QString &text, int fieldWidth)
{
    const qsizetype bytes = CodePage::byteLength(text);
    return bytes >= 1 && bytes < fieldWidth && CodePage::roundTrips(text);
}

// Texts stored in the registry file may not hold its separators: ',' and '}'
// end a value, '[' ends the section, a line break ends the line.
bool storable(const QString &text)
{
    for (const QChar c : text) {
        if (c == QLatin1Char(',') || c == QLatin1Char('}') || c == QLatin1Char('[') || c == QLatin1Char('\n') ||
            c == QLatin1Char('\r') || c == QChar(0))
            return false;
    }
    return true;
}

} // namespace

MacGruoup::MacGruoup(const Clock &clock) : m_clock(&clock)
{
    m_groups.resize(MAX_InitCount + 1);
    m_groups[1] = QString::fromLatin1(kNoGroup);
}

qint64 MacGruoup::now() const
{
    return m_clock->secsSinceEpoch();
}

bool MacGruoup::IsValidName(const QString &name)
{
    return fits(name, GroupNameLen) && storable(name);
}

int MacGruoup::FindBox(const QString &mac, int *slot) const
{
    for (int i = 0; i < m_boxes.size(); ++i) {
        if (m_boxes[i].MacAdd == mac) {
            if (slot)
                *slot = i;
            return RES_FOUND;
        }
    }
    return RES_NOTFOUND;
}

int MacGruoup::MergeHeartbeat(const MacGroupData &r)
{
    const quint32 heard = quint32(now());
    int result = RES_OK;
    if (!fits(r.IPAdd, IPLen))
        result = RES_BADIP;
    else if (!fits(r.MacAdd, MacAddLen) || !storable(r.MacAdd))
        result = RES_BADMAC;
    else if (!fits(r.BoxVer, BoxVerLen))
        result = RES_BADVERSION;

    int slot = -1;
    const bool known = FindBox(r.MacAdd, &slot) == RES_FOUND;
    if (result == RES_OK) {
        if (known) {
            const MacGroupData &b = m_boxes[slot];
            result = (b.IPAdd == r.IPAdd || !b.Online) ? RES_UNCHANGED : RES_FOUND;
        } else if (m_boxes.size() >= MAX_BoxCount) {
            return RES_TABLEFULL;
        } else {
            MacGroupData b;
            b.MacAdd = r.MacAdd;
            m_boxes.append(b);
            slot = int(m_boxes.size()) - 1;
            result = RES_NEWBOX;
        }
        // What every heartbeat reports about the box.
        MacGroupData &b = m_boxes[slot];
        b.IPAdd = r.IPAdd;
        b.BoxVer = r.BoxVer;
        b.OutputMode = r.OutputMode;
        b.LayoutMode = r.LayoutMode;
        b.DiskTotalMB = r.DiskTotalMB;
        b.DiskFreeMB = r.DiskFreeMB;
        b.LastHeard = heard;
        b.Online = 1;
    }
    if (slot >= 0) {
        m_boxes[slot].TimeDiff = r.TimeDiff;
        m_boxes[slot].Status = r.Status;
    }
    return result;
}

QList<int> MacGruoup::CheckOffline()
{
    const qint64 t = now();
    QList<int> result;
    for (int i = 0; i < m_boxes.size(); ++i) {
        MacGroupData &b = m_boxes[i];
        if (b.Online == 1 && t - qint64(b.LastHeard) > OfflineAfterSeconds) {
            b.Online = 0;
            result.append(i);
        }
    }
    return result;
}

void MacGruoup::MarkOffline(int slot)
{
    if (slot < 0 || slot >= m_boxes.size())
        return;
    m_boxes[slot].Online = 0;
    m_boxes[slot].LastHeard = 0;
}

void MacGruoup::LoadFromNode(const InitNode &node)
{
    for (const auto &block : node.blocks) {
        if (block.size() != 3)
            continue;
        bool macExact = false, clientExact = false, groupExact = false;
        // Over-long fields are cut to their width, as they always were.
        const QString mac = CodePage::leftBytes(CodePage::fromGb2312(block[0], &macExact), MacAddLen - 1);
        QString client = CodePage::leftBytes(CodePage::fromGb2312(block[1], &clientExact), GroupNameLen - 1);
        QString group = CodePage::leftBytes(CodePage::fromGb2312(block[2], &groupExact), GroupNameLen - 1);
        // A line without a usable MAC cannot name a box.
        if (!macExact || !fits(mac, MacAddLen) || !storable(mac)) {
            if (!block[0].isEmpty())
                qWarning("Registry file: a box whose MAC %s cannot be kept is dropped", qPrintable(mac));
            continue;
        }
        // A bad name costs the name, never the box: one such line must not
        // stop every later save of the registry.
        if (!client.isEmpty() && (!clientExact || !IsValidName(client))) {
            qWarning("Registry file: box %s keeps no client name; \"%s\" cannot be stored", qPrintable(mac),
                     qPrintable(client));
            client.clear();
        }
        if (!groupExact || !IsValidName(group)) {
            qWarning("Registry file: box %s goes to \"%s\"; its group name \"%s\" cannot be stored", qPrintable(mac),
                     kNoGroup, qPrintable(group));
            group = QString::fromLatin1(kNoGroup);
        }
        if (AddGroup(group) != RES_OK) {
            qWarning("Group table full: box %s of group %s from the registry file goes to \"%s\"", qPrintable(mac),
                     qPrintable(group), kNoGroup);
            group = QString::fromLatin1(kNoGroup);
        }
        const int index = GroupIndexOf(group);
        int slot = -1;
        if (FindBox(mac, &slot) == RES_FOUND) {
            m_boxes[slot].GroupIndex = quint32(index);
            m_boxes[slot].Online = 0;
            m_boxes[slot].LastHeard = 0;
            continue;
        }
        if (m_boxes.size() >= MAX_BoxCount) {
            qWarning("Registry full: box %s from the registry file is dropped", qPrintable(mac));
            continue;
        }
        MacGroupData b;
        b.MacAdd = mac;
        b.ClientName = client;
        b.GroupIndex = quint32(index);
        m_boxes.append(b);
    }
}

void MacGruoup::SaveToNode(InitNode &node, const QByteArray &section, const QByteArray &key) const
{
    node.section = section;
    node.key = key;
    node.blocks.clear();
    for (int i = 0; i < m_boxes.size(); ++i) {
        const MacGroupData &b = m_boxes[i];
        // Every way into the registry checks its texts; should one slip
        // through all the same, it costs that field, not the whole file.
        if (!fits(b.MacAdd, MacAddLen) || !storable(b.MacAdd)) {
            qWarning("Box %s is not saved: its MAC cannot be stored", qPrintable(b.MacAdd));
            continue;
        }
        QString client = b.ClientName;
        if (!client.isEmpty() && !IsValidName(client)) {
            qWarning("Box %s is saved without its client name \"%s\", which cannot be stored", qPrintable(b.MacAdd),
                     qPrintable(client));
            client.clear();
        }
        node.blocks.append(
            {CodePage::toGb2312(b.MacAdd), CodePage::toGb2312(client), CodePage::toGb2312(GroupNameOf(i))});
    }
}

int MacGruoup::AddGroup(const QString &name)
{
    if (!IsValidName(name))
        return RES_BADINDEX;
    if (GroupIndexOf(name))
        return RES_OK;
    for (int slot = 1; slot <= MAX_InitCount; ++slot) {
        if (m_groups[slot].isEmpty()) {
            m_groups[slot] = name;
            ++m_groupCount;
            return RES_OK;
        }
    }
    return RES_TABLEFULL;
}

int MacGruoup::DeleteGroup(const QString &name, QList<int> *moved)
{
    const int index = GroupIndexOf(name);
    if (!index)
        return RES_BADINDEX;
    if (moved)
        moved->clear();
    if (index == 1) {
        if (moved)
            *moved = BoxesOfGroup(name);
        return RES_OK;
    }
    m_groups[index].clear();
    --m_groupCount;
    for (int i = 0; i < m_boxes.size(); ++i) {
        if (m_boxes[i].GroupIndex == quint32(index)) {
            m_boxes[i].GroupIndex = 1;
            if (moved)
                moved->append(i);
        }
    }
    return RES_OK;
}

int MacGruoup::RenameGroup(const QString &oldName, const QString &newName, QList<int> *changed)
{
    const int oldIndex = GroupIndexOf(oldName);
    if (!oldIndex)
        return RES_NOTFOUND;
    if (changed)
        changed->clear();
    // "No Group" keeps its name, and a group renamed to itself stays as it is.
    if (oldIndex == 1 || oldName == newName) {
        if (changed)
            *changed = BoxesOfGroup(oldName);
        return RES_OK;
    }
    if (!IsValidName(newName))
        return RES_BADINDEX;
    const int target = GroupIndexOf(newName);
    if (!target) {
        m_groups[oldIndex] = newName;
        if (changed)
            *changed = BoxesOfGroup(newName);
        return RES_OK;
    }
    m_groups[oldIndex].clear();
    --m_groupCount;
    for (int i = 0; i < m_boxes.size(); ++i) {
        if (m_boxes[i].GroupIndex == quint32(oldIndex)) {
            m_boxes[i].GroupIndex = quint32(target);
            if (changed)
                changed->append(i);
        }
    }
    return RES_OK;
}

int MacGruoup::SetBoxName(int slot, const QString &name)
{
    if (slot < 0 || slot >= m_boxes.size() || !IsValidName(name))
        return RES_BADINDEX;
    for (int i = 0; i < m_boxes.size(); ++i) {
        if (i != slot && m_boxes[i].ClientName == name)
            return RES_NAMETAKEN;
    }
    m_boxes[slot].ClientName = name;
    return RES_OK;
}

int MacGruoup::RemoveBox(int slot)
{
    if (slot < 0 || slot >= m_boxes.size())
        return RES_BADINDEX;
    if (m_boxes[slot].Online == 1)
        return RES_FOUND;
    m_boxes.removeAt(slot);
    return RES_OK;
}

int MacGruoup::SetBoxGroup(int slot, const QString &groupName)
{
    if (slot < 0 || slot >= m_boxes.size())
        return RES_BADINDEX;
    const int index = GroupIndexOf(groupName);
    if (!index)
        return RES_NOTFOUND;
    m_boxes[slot].GroupIndex = quint32(index);
    return RES_OK;
}

int MacGruoup::GroupNameAt(int index, QString *name) const
{
    if (index == 0) {
        if (name)
            *name = QString::fromLatin1(kNoGroup);
        return RES_BADINDEX;
    }
    if (index < 0 || index > MAX_InitCount || m_groups[index].isEmpty())
        return RES_BADINDEX;
    if (name)
        *name = m_groups[index];
    return RES_OK;
}

QList<int> MacGruoup::ListGroups() const
{
    QList<int> result;
    for (int slot = 1; slot <= MAX_InitCount; ++slot) {
        if (!m_groups[slot].isEmpty())
            result.append(slot);
    }
    return result;
}

int MacGruoup::GroupIndexOf(const QString &name) const
{
    if (name.isEmpty())
        return 0;
    for (int slot = 1; slot <= MAX_InitCount; ++slot) {
        if (m_groups[slot] == name)
            return slot;
    }
    return 0;
}

QStringList MacGruoup::GroupNames() const
{
    QStringList names;
    for (int slot : ListGroups())
        names.append(m_groups[slot]);
    return names;
}

QString MacGruoup::GroupNameOf(int slot) const
{
    QString name;
    GroupNameAt(int(m_boxes.at(slot).GroupIndex), &name);
    return name;
}

QList<int> MacGruoup::BoxesOfGroup(const QString &groupName) const
{
    QList<int> result;
    const int index = GroupIndexOf(groupName);
    if (!index)
        return result;
    for (int i = 0; i < m_boxes.size(); ++i) {
        if (m_boxes[i].GroupIndex == quint32(index))
            result.append(i);
    }
    return result;
}

bool MacGruoup::Passes(int slot, BoxFilter filter) const
{
    switch (filter) {
    case BoxFilter::Offline:
        return m_boxes.at(slot).Online != 1;
    case BoxFilter::Online:
        return m_boxes.at(slot).Online == 1;
    case BoxFilter::All:
        return true;
    }
    return false;
}

RowText MacGruoup::GroupListRow(int slot) const
{
    const MacGroupData &b = m_boxes.at(slot);
    return {b.MacAdd, {b.IPAdd, b.ClientName, GroupNameOf(slot), OnlineText(b.Online)}};
}

RowText MacGruoup::DetailRow(int slot) const
{
    const MacGroupData &b = m_boxes.at(slot);
    return {b.MacAdd,
            {GroupNameOf(slot), b.IPAdd, b.ClientName, b.BoxVer, OutputModeText(b.OutputMode), LayoutText(b.LayoutMode),
             QString::number(b.TimeDiff), QString::number(b.DiskFreeMB), QString::number(b.DiskTotalMB),
             StatusText(b.Status)}};
}

RowText MacGruoup::PickRow(int slot) const
{
    const MacGroupData &b = m_boxes.at(slot);
    return {b.ClientName, {b.MacAdd, OnlineText(b.Online)}};
}

QString MacGruoup::OnlineText(quint32 online)
{
    return online == 1 ? QStringLiteral("Online") : QStringLiteral("Offline");
}

QString MacGruoup::OutputModeText(quint8 mode)
{
    static const char *const texts[] = {"PAL", "NTSC", "VGA800", "VGA1024"};
    return mode < 4 ? QString::fromLatin1(texts[mode]) : QString();
}

QString MacGruoup::LayoutText(quint8 layout)
{
    static const char *const texts[] = {"FullScreen", "PIC_LEFT_4_3", "PIC_LEFT_16_9", "PIC_RIGHT_4_3",
                                        "PIC_RIGHT_16_9"};
    return layout < 5 ? QString::fromLatin1(texts[layout]) : QString();
}

QString MacGruoup::StatusText(quint32 status)
{
    QString text = (status & 1) ? QStringLiteral("Running") : QStringLiteral("Standby");
    static const char *const bits[] = {" || Playing", " || Http Downloading", " || Ftp Downloading", " || Uploading"};
    for (int bit = 1; bit <= 4; ++bit) {
        if (status & (1u << bit))
            text += QLatin1String(bits[bit - 1]);
    }
    return text;
}

bool LoadRegistryFile(MacGruoup &registry, const QString &file)
{
    InitNode node{"GROUP", "MAC", {}, {}};
    if (!IniReadNode(node, file))
        return false;
    registry.LoadFromNode(node);
    return true;
}

bool SaveRegistryFile(const MacGruoup &registry, const QString &file, QString *error)
{
    InitNode node;
    registry.SaveToNode(node, "GROUP", "MAC");
    QString why;
    if (IniWriteNode(node, file, &why) == 1)
        return true;
    if (error)
        *error = why;
    return false;
}
