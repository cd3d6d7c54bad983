// Bad input never crashes: random and mangled box messages through the
// parser and the registry, random INI files through the store. Run under
// the sanitizers in CI, so an out-of-bounds read fails here too.
#include "config/inifile.h"
#include "link/cmd.h"
#include "link/history.h"
#include "testutil.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray randomBytes(QRandomGenerator &random, int maxLength, const QByteArray &alphabet = {})
{
    QByteArray bytes(random.bounded(maxLength + 1), '\0');
    for (char &c : bytes)
        c = alphabet.isEmpty() ? char(random.bounded(256)) : alphabet[random.bounded(int(alphabet.size()))];
    return bytes;
}

} // namespace

class TestRobustness : public QObject
{
    Q_OBJECT

private slots:
    void boxMessages()
    {
        MacGruoup registry;
        CommandHistory history;
        Cmd_API cmd(registry, &history);
        QRandomGenerator random(20261209);
        const QList<cmd_Info> &table = Cmd_API::ReplyTable();
        const QByteArray words = "0123456789:-/. \t\r\nabcxyzMAC,}{\xc8\xba";
        for (int i = 0; i < 20000; ++i) {
            QByteArray message;
            switch (i % 3) {
            case 0:
                message = randomBytes(random, 300);
                break;
            case 1: // a real key with random arguments
                message = table[random.bounded(int(table.size()))].key + ' ' + randomBytes(random, 200, words);
                break;
            default: // a heartbeat with fields of random shape
                message = "heatbeat";
                for (int f = 0; f < 10; ++f)
                    message += ' ' + randomBytes(random, 25, words);
                break;
            }
            const int port = random.bounded(4);
            const ParsedReply reply = cmd.ParseReply(QStringLiteral("10.0.0.1"), port, message);
            if (reply.record)
                registry.MergeHeartbeat(*reply.record);
        }
        QVERIFY(registry.BoxCount() <= MAX_BoxCount);
        QVERIFY(cmd.MapSize() <= Cmd_API::kMaxMapEntries);
        // Whatever got in can still be written and read back.
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("MacGroup.ini"));
        QVERIFY(SaveRegistryFile(registry, file));
        MacGruoup back;
        QVERIFY(LoadRegistryFile(back, file));
        QCOMPARE(back.BoxCount(), registry.BoxCount());
    }

    void iniFiles()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("x.ini"));
        QRandomGenerator random(7);
        const QByteArray alphabet = "[]={},;\r\n \tGROUPMACSab\xc8";
        for (int i = 0; i < 3000; ++i) {
            TestUtil::writeFile(file, randomBytes(random, 400, alphabet));
            QByteArray value;
            IniReadString("GROUP", "MAC", value, 64, "d", file);
            IniReadInt("S", "k", 1, file);
            InitNode node{"GROUP", "MAC", {}, {}};
            IniReadNode(node, file);
            if (i % 3 == 0)
                IniWriteString("GROUP", "k", "v", file);
            else if (i % 3 == 1)
                IniWriteNode(InitNode{"GROUP", "MAC", {{"a", "b"}}, {}}, file);
            // Whatever the file held, a written node reads back.
            if (i % 3 == 1) {
                InitNode back{"GROUP", "MAC", {}, {}};
                QVERIFY2(IniReadNode(back, file) == 1, TestUtil::readFile(file).toHex().constData());
                QVERIFY2(back.blocks.contains(QList<QByteArray>{"a", "b"}),
                         TestUtil::readFile(file).toHex().constData());
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestRobustness)
#include "tst_robustness.moc"
