// The fleet status window with 256 simulated boxes: a transfer to all of
// them ends with 256 ready rows; the summary line follows; header clicks
// sort, each filter shows its rows, offline and failed rows are red, and the
// CSV export reads back.
#include "appharness.h"
#include "base/clock.h"
#include "boxsimulator.h"
#include "config/mainform.h"
#include "console/fleetwindow.h"
#include "link/cmd.h"
#include "link/fleetmodel.h"
#include "link/fleetstatus.h"
#include "testutil.h"

#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>

class TestFleetWindow : public QObject
{
    Q_OBJECT

private:
    static QStringList column(QTableView *view, int c)
    {
        QStringList texts;
        for (int r = 0; r < view->model()->rowCount(); ++r)
            texts.append(view->model()->index(r, c).data().toString());
        return texts;
    }
    static void clickHeader(QTableView *view, int c)
    {
        QHeaderView *header = view->horizontalHeader();
        QTest::mouseClick(
            header->viewport(), Qt::LeftButton, {},
            QPoint(header->sectionViewportPosition(c) + header->sectionSize(c) / 2, header->height() / 2));
    }

private slots:
    void fleetOf256()
    {
        AppHarness h;
        h.contentPeerLimit = 0; // every simulated box comes from 127.0.0.1
        const QString video = h.dir.filePath(QStringLiteral("content/video/"));
        QDir().mkpath(video);
        TestUtil::writeFile(video + QStringLiteral("a.mp4"), QByteArray(2000, 'a'));
        QVERIFY(h.start());
        SimulatorOptions options;
        options.port = quint16(h.options.boxPort);
        options.heartbeatMs = 0;
        BoxSimulator boxes(256, options);
        boxes.start();
        QVERIFY(QTest::qWaitFor([&] { return h.registry().BoxCount() == 256; }, 30000));

        // A download list naming the one file, sent to every box.
        const ServerSettings &s = h.context().settings;
        const QString list = s.xmlPrefix + QStringLiteral("download_all.xml");
        TestUtil::writeFile(list, "<downloadList><file filetype=\"VIDEO\" filesize=\"2000\" filename=\"a.mp4\" "
                                  "fileurl=\"" +
                                      HttpAddress(s, video + QStringLiteral("a.mp4")).toUtf8() + "\"/></downloadList>");
        for (int slot = 0; slot < 256; ++slot)
            h.context().cmd->SendBoxCommand(CMD_FILEUPDATE, h.registry().Box(slot).MacAdd,
                                            {{}, {QStringLiteral("fileupdate http ") + HttpAddress(s, list)}});

        TForm1 *main = h.forms().form1;
        main->show();
        main->findChild<QToolButton *>(QStringLiteral("sbFleetStatus"))->click();
        FleetWindow *window = main->fleetWindow();
        QVERIFY(window->isVisible());
        auto *table = window->findChild<QTableView *>(QStringLiteral("tv_Fleet"));
        auto *filter = window->findChild<QComboBox *>(QStringLiteral("cb_Filter"));
        filter->setCurrentIndex(FleetFilter::Ready);
        QTRY_COMPARE_WITH_TIMEOUT(table->model()->rowCount(), 256, 60000);
        QTRY_COMPARE(main->findChild<QLabel *>(QStringLiteral("lb_FleetSummary"))->text(),
                     QStringLiteral("256 boxes: 256 online, 0 offline · transfer: 256 ready, 0 in progress, 0 failed"));
        QCOMPARE(column(table, FleetModel::FilesColumn).first(), QStringLiteral("1/1"));

        // One box goes away: offline, red, and counted.
        boxes.box(7)->stop();
        ManualClock later;
        later.advanceSecs(OfflineAfterSeconds + 1);
        h.registry().setClock(later);
        for (int slot = 0; slot < 256; ++slot) {
            if (slot != 7)
                h.registry().MergeHeartbeat(h.registry().Box(slot));
        }
        main->findChild<QTimer *>(QStringLiteral("Timer1"))->start(5);
        filter->setCurrentIndex(FleetFilter::Offline);
        QTRY_COMPARE(table->model()->rowCount(), 1);
        main->findChild<QTimer *>(QStringLiteral("Timer1"))->stop();
        QCOMPARE(column(table, FleetModel::MacColumn), QStringList{BoxSimulator::macFor(7)});
        QVERIFY(table->model()->index(0, 0).data(FleetModel::AlertRole).toBool());
        filter->setCurrentIndex(FleetFilter::Failed);
        QCOMPARE(table->model()->rowCount(), 0);
        filter->setCurrentIndex(FleetFilter::InProgress);
        QCOMPARE(table->model()->rowCount(), 0);

        // Sorting by a header click: the state puts "Offline" first.
        filter->setCurrentIndex(FleetFilter::All);
        QCOMPARE(table->model()->rowCount(), 256);
        clickHeader(table, FleetModel::StateColumn);
        QCOMPARE(column(table, FleetModel::StateColumn).first(), QStringLiteral("Offline"));
        clickHeader(table, FleetModel::MacColumn);
        QStringList macs = column(table, FleetModel::MacColumn);
        QStringList sorted = macs;
        std::sort(sorted.begin(), sorted.end());
        QCOMPARE(macs, sorted);

        // The export is what the table shows, in UTF-8 with a BOM.
        const QString csv = h.dir.filePath(QStringLiteral("fleet.csv"));
        h.prompter.answerFile(csv);
        window->findChild<QToolButton *>(QStringLiteral("sb_ExportCsv"))->click();
        QCOMPARE(h.prompter.asked.last().kind, QStringLiteral("save"));
        const QByteArray bytes = TestUtil::readFile(csv);
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"
                                 "MAC,Name,Group,State"));
        const QStringList lines = QString::fromUtf8(bytes.mid(3)).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 257);
        QVERIFY(lines[1].startsWith(sorted.first() + QLatin1Char(',')));
    }
};

QTEST_MAIN(TestFleetWindow)
#include "tst_fleetwindow.moc"
