// A full registry survives restarts whole while every door offers it the
// characters that once cut MacGroup.ini short: a MAC with '[' from a box,
// group and client names with '[' from the operator.
#include "appharness.h"
#include "config/codepage.h"
#include "config/mainform.h"
#include "console/group.h"
#include "testutil.h"

#include <QDateTime>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

namespace {

QByteArray heartbeat(const QByteArray &mac)
{
    return "heatbeat 10.9.9.9 " + mac + " 1.0 0 0 1000 200 01-03-2026-12:00:00 1";
}

QString macOf(int i)
{
    return QStringLiteral("02:00:00:00:%1:%2")
        .arg(i / 256, 2, 16, QLatin1Char('0'))
        .arg(i % 256, 2, 16, QLatin1Char('0'));
}

} // namespace

class TestRegistryRestart : public QObject
{
    Q_OBJECT

private:
    AppHarness m_harness;

    TForm2 *groupWindow() { return m_harness.forms().form2; }
    template <typename T> T *control(const char *name)
    {
        return groupWindow()->findChild<T *>(QString::fromLatin1(name));
    }

    // Offers '[' at every door; each must be refused with a word.
    void offerBrackets()
    {
        // A box whose MAC holds '['.
        QTcpSocket box;
        box.connectToHost(QHostAddress::LocalHost, quint16(m_harness.options.boxPort));
        QVERIFY(box.waitForConnected(5000));
        box.write(heartbeat("02:00:00[00:00:01") + '\0' + heartbeat("[GROUP]") + '\0' + heartbeat(macOf(0).toLatin1()) +
                  '\0');
        QTRY_VERIFY(m_harness.registry().Box(0).Online == 1);
        QCOMPARE(m_harness.registry().FindBox(QStringLiteral("02:00:00[00:00:01")), RES_NOTFOUND);
        QCOMPARE(m_harness.registry().FindBox(QStringLiteral("[GROUP]")), RES_NOTFOUND);

        m_harness.clickMain("sbGroup");
        const qsizetype askedBefore = m_harness.prompter.asked.size();
        // A group.
        control<QLineEdit>("edAddGpName")->setText(QStringLiteral("[VIP] Lobby"));
        control<QToolButton>("sbAddGroup")->click();
        // A group renamed.
        auto *groups = control<QListWidget>("lbGroupName");
        groups->setCurrentItem(groups->item(groups->count() - 1));
        control<QLineEdit>("edAddGpName")->setText(QStringLiteral("[x"));
        control<QToolButton>("sbRenameGroup")->click();
        // A client name.
        auto *list = control<QTreeWidget>("lv_GroupList");
        list->setCurrentItem(list->topLevelItem(0));
        control<QLineEdit>("edClientName")->setText(QStringLiteral("[VIP]"));
        control<QToolButton>("sbMACNodeModify")->click();
        QCOMPARE(m_harness.prompter.asked.size(), askedBefore + 3);
        for (qsizetype i = askedBefore; i < m_harness.prompter.asked.size(); ++i)
            QVERIFY(m_harness.prompter.asked[i].text.contains(QLatin1String("'['")));
    }

    // Closes the main window as the operator does and starts anew.
    void restart()
    {
        QTimer::singleShot(0, m_harness.forms().form1, &QWidget::close);
        QCOMPARE(m_harness.app->exec(), 0);
        m_harness.app.reset();
        QVERIFY(m_harness.start());
    }

    void checkRegistry()
    {
        const MacGruoup &reg = m_harness.registry();
        QCOMPARE(reg.BoxCount(), MAX_BoxCount);
        for (int i = 0; i < MAX_BoxCount; ++i) {
            QCOMPARE(reg.Box(i).MacAdd, macOf(i));
            QCOMPARE(reg.Box(i).ClientName, QStringLiteral("客户 %1").arg(i));
            QCOMPARE(reg.GroupNameOf(i), QStringLiteral("上海 %1").arg(i % 9));
        }
    }

private slots:
    void fullRegistrySurvivesTwoRestarts()
    {
        QVERIFY(m_harness.start());
        // 256 boxes, named and grouped.
        QTcpSocket boxes;
        boxes.connectToHost(QHostAddress::LocalHost, quint16(m_harness.options.boxPort));
        QVERIFY(boxes.waitForConnected(5000));
        for (int i = 0; i < MAX_BoxCount; ++i)
            boxes.write(heartbeat(macOf(i).toLatin1()) + '\0');
        QTRY_COMPARE(m_harness.registry().BoxCount(), MAX_BoxCount);
        MacGruoup &reg = m_harness.registry();
        for (int i = 0; i < MAX_BoxCount; ++i) {
            QCOMPARE(reg.AddGroup(QStringLiteral("上海 %1").arg(i % 9)), RES_OK);
            QCOMPARE(reg.SetBoxGroup(i, QStringLiteral("上海 %1").arg(i % 9)), RES_OK);
            QCOMPARE(reg.SetBoxName(i, QStringLiteral("客户 %1").arg(i)), RES_OK);
        }
        offerBrackets();
        restart();
        checkRegistry();
        offerBrackets();
        restart();
        checkRegistry();
        QVERIFY(!TestUtil::readFile(m_harness.context().settings.registryFile).contains("[VIP"));
    }

    void savedAsItChanges()
    {
        // Nothing waits for the exit: a crash a second later loses nothing.
        AppHarness h;
        QVERIFY(h.start());
        const QString file = h.context().settings.registryFile;
        QTcpSocket box;
        box.connectToHost(QHostAddress::LocalHost, quint16(h.options.boxPort));
        QVERIFY(box.waitForConnected(5000));
        box.write(heartbeat("02:00:00:00:00:aa") + '\0');
        QTRY_VERIFY(TestUtil::readFile(file).contains("02:00:00:00:00:aa"));
        QCOMPARE(h.registry().AddGroup(QStringLiteral("大厅")), RES_OK);
        QCOMPARE(h.registry().SetBoxGroup(0, QStringLiteral("大厅")), RES_OK);
        QCOMPARE(h.registry().SetBoxName(0, QStringLiteral("前台")), RES_OK);
        QTRY_VERIFY(
            TestUtil::readFile(file).contains(CodePage::toGb2312(QStringLiteral("02:00:00:00:00:aa,前台,大厅"))));
        // Heartbeats that change nothing stored write nothing.
        const QDateTime written = QFileInfo(file).lastModified();
        auto *saver = h.app->findChild<QTimer *>(QStringLiteral("RegistrySaver"));
        QVERIFY(saver);
        QSignalSpy ticks(saver, &QTimer::timeout);
        box.write(heartbeat("02:00:00:00:00:aa") + '\0');
        QTRY_COMPARE(ticks.size(), 2);
        QCOMPARE(QFileInfo(file).lastModified(), written);
    }
};

QTEST_MAIN(TestRegistryRestart)
#include "tst_registryrestart.moc"
