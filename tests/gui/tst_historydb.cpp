// What the operator saw survives a restart: the event history, each box's
// fleet status and the schedule being composed, kept in boxfleet.sqlite; the
// history search and export; a broken database set aside; retention.
#include "appharness.h"
#include "base/clock.h"
#include "boxsimulator.h"
#include "config/mainform.h"
#include "console/cmdhistory.h"
#include "link/cmd.h"
#include "link/fleetstatus.h"
#include "link/serverdb.h"
#include "testutil.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QDir>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>

class TestHistoryDb : public QObject
{
    Q_OBJECT

private:
    static QList<QStringList> rowsOf(const QAbstractItemModel &model)
    {
        QList<QStringList> rows;
        for (int r = 0; r < model.rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < model.columnCount(); ++c)
                cells.append(model.index(r, c).data().toString());
            rows.append(cells);
        }
        return rows;
    }
    static QStringList fleetOf(FleetStatus &fleet, const QString &mac)
    {
        const FleetStatus::BoxStatus s = fleet.status(mac);
        return {s.command,   QString::number(s.commandTime),  QString::number(int(s.result)), s.resultText,
                s.lastReply, QString::number(int(s.transfer))};
    }
    static void restart(AppHarness &h)
    {
        QTimer::singleShot(0, h.forms().form1, &QWidget::close);
        QCOMPARE(h.app->exec(), 0);
        h.app.reset();
        QVERIFY(h.start());
    }
    static TScheduleNode mediaEntry()
    {
        TScheduleNode entry;
        entry.StartHour = 8;
        entry.EndHour = 22;
        entry.WeekDays = 0x02;
        entry.vec_shortname = {QStringLiteral("广告.avi")};
        entry.vec_fullname = {QStringLiteral("/content/video/广告.avi")};
        return entry;
    }

private slots:
    void historyFleetStatusAndDraftSurviveARestart()
    {
        ManualClock tomorrow; // outlives the program
        tomorrow.advanceSecs(24 * 3600);
        AppHarness h;
        QVERIFY(h.start());
        BoxSimulator boxes(2, h.boxOptions());
        QVERIFY(h.connectBoxes(boxes, 2));
        for (int i = 0; i < 2; ++i)
            h.context().cmd->SendBoxCommand(CMD_SETTIME, BoxSimulator::macFor(i));
        QTRY_VERIFY(h.context().fleet->status(BoxSimulator::macFor(0)).result == FleetStatus::Result::Done &&
                    h.context().fleet->status(BoxSimulator::macFor(1)).result == FleetStatus::Result::Done);
        // A schedule being composed.
        QCOMPARE(h.context().schedules->AddSchd(mediaEntry()), int(RES_OK));

        const QList<QStringList> history = rowsOf(*h.context().history);
        QCOMPARE(history.size(), 4);
        const QStringList fleet0 = fleetOf(*h.context().fleet, BoxSimulator::macFor(0));
        const QStringList fleet1 = fleetOf(*h.context().fleet, BoxSimulator::macFor(1));
        boxes.stop();

        // The draft is offered once; yes brings it back.
        h.prompter.asked.clear();
        h.prompter.answerMessage(Prompter::Button::Yes);
        restart(h);
        QTRY_COMPARE(rowsOf(*h.context().history), history);
        QCOMPARE(fleetOf(*h.context().fleet, BoxSimulator::macFor(0)), fleet0);
        QCOMPARE(fleetOf(*h.context().fleet, BoxSimulator::macFor(1)), fleet1);
        QCOMPARE(h.prompter.asked.size(), 1);
        QCOMPARE(h.prompter.asked[0].text, QStringLiteral("恢复上次编辑的排期?"));
        QCOMPARE(h.context().schedules->GetSchdList(), QList<TScheduleNode>{mediaEntry()});

        // No: the empty start, and the question is not asked again.
        h.prompter.answerMessage(Prompter::Button::No);
        restart(h);
        QVERIFY(h.context().schedules->isEmpty());
        restart(h);
        QCOMPARE(h.prompter.asked.size(), 2);
        QTRY_COMPARE(rowsOf(*h.context().history), history);

        // The search, typed as a person types it.
        h.clickMain("sb_CMDPrompt");
        TForm6 *window = h.forms().form6;
        QVERIFY(window->isVisible());
        auto *filter = window->findChild<QLineEdit *>(QStringLiteral("ed_Filter"));
        QSignalSpy searched(window, &TForm6::searched);
        filter->setFocus();
        QTest::keyClicks(filter, BoxSimulator::macFor(1));
        QTest::keyClick(filter, Qt::Key_Return);
        QVERIFY(searched.wait(5000));
        QList<QStringList> found = rowsOf(*window->shownModel());
        QCOMPARE(found.size(), 2);
        for (const QStringList &row : found)
            QCOMPARE(row[CommandHistory::MacColumn], BoxSimulator::macFor(1));
        // A time range before anything happened finds nothing.
        QTest::mouseClick(window->findChild<QCheckBox *>(QStringLiteral("cb_TimeRange")), Qt::LeftButton);
        window->findChild<QDateTimeEdit *>(QStringLiteral("dt_To"))->setDateTime(QDateTime(QDate(2001, 1, 1), {}));
        QTest::mouseClick(window->findChild<QToolButton *>(QStringLiteral("sb_Search")), Qt::LeftButton);
        QVERIFY(searched.wait(5000));
        QCOMPARE(window->shownModel()->rowCount(), 0);
        // "全部事件" shows the live history again; the export is what is shown.
        QTest::mouseClick(window->findChild<QToolButton *>(QStringLiteral("sb_ShowAll")), Qt::LeftButton);
        QCOMPARE(window->shownModel(), h.context().history);
        const QString csv = h.dir.filePath(QStringLiteral("history.csv"));
        h.prompter.answerFile(csv);
        QTest::mouseClick(window->findChild<QToolButton *>(QStringLiteral("sb_ExportCsv")), Qt::LeftButton);
        const QStringList lines =
            QString::fromUtf8(TestUtil::readFile(csv).mid(3)).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 5);
        QCOMPARE(lines[1].split(QLatin1Char(','))[0], history[0][0]);
        // The export carries each row's date; the table shows it for rows
        // not from today.
        const QString when = lines[1].split(QLatin1Char(',')).last();
        QVERIFY2(
            QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$")).match(when).hasMatch(),
            qPrintable(when));
        QCOMPARE(when.right(8), history[0][CommandHistory::TimeColumn]);
        h.app->setClock(tomorrow);
        QCOMPARE(h.context().history->index(0, CommandHistory::TimeColumn).data().toString(), when);
    }

    // A new event brings the history up; unticked, it stays away, also
    // after a restart.
    void popUpChoiceIsKept()
    {
        AppHarness h;
        QVERIFY(h.start());
        h.context().history->AddReply(BoxSimulator::macFor(0), {}, QStringLiteral("10.0.0.2"), QStringLiteral("x"), {});
        QVERIFY(h.forms().form6->isVisible());

        auto *popUp = h.forms().form6->findChild<QCheckBox *>(QStringLiteral("cb_AutoPrompt"));
        QTest::mouseClick(popUp, Qt::LeftButton, {}, QPoint(8, popUp->height() / 2));
        QVERIFY(!popUp->isChecked());
        restart(h);
        QVERIFY(!h.forms().form6->findChild<QCheckBox *>(QStringLiteral("cb_AutoPrompt"))->isChecked());
        h.context().history->AddReply(BoxSimulator::macFor(0), {}, QStringLiteral("10.0.0.2"), QStringLiteral("y"), {});
        QVERIFY(!h.forms().form6->isVisible());
    }

    void aBrokenDatabaseIsSetAside()
    {
        AppHarness h;
        const QString content = h.dir.filePath(QStringLiteral("content/"));
        h.options.content = content;
        QVERIFY(QDir().mkpath(content));
        TestUtil::writeFile(content + QStringLiteral("boxfleet.sqlite"), QByteArray(8192, 'x'));
        QVERIFY(h.start());
        QCOMPARE(h.prompter.asked.size(), 1);
        QVERIFY2(h.prompter.asked[0].text.contains(QLatin1String("It was set aside as ")),
                 qPrintable(h.prompter.asked[0].text));
        QVERIFY(h.context().database->isOpen());
        const QStringList aside = QDir(content).entryList({QStringLiteral("boxfleet.sqlite.bad-*")});
        QCOMPARE(aside.size(), 1);
        QCOMPARE(TestUtil::readFile(content + aside[0]), QByteArray(8192, 'x'));
        // The fresh one takes rows.
        h.context().history->AddReply(QStringLiteral("m"), QString(), QString(), QStringLiteral("x"), QString());
        h.context().database->flush();
        QCOMPARE(h.context().database->page(0).size(), 1);
    }

    void retentionKeepsDaysAndRows()
    {
        QTemporaryDir dir;
        ServerDatabase db;
        const qint64 now = 1800000000000;
        const ManualClock clock(QDateTime::fromMSecsSinceEpoch(now));
        db.setClock(clock);
        QVERIFY(db.open(dir.filePath(QStringLiteral("h.sqlite")), 1, 3).ok);
        const qint64 day = 24LL * 3600 * 1000;
        for (int i = 0; i < 7; ++i) {
            StoredHistoryRow row;
            row.at = i < 2 ? now - 2 * day : now - 1000 + i;
            row.row.cells[CommandHistory::InfoColumn] = QString::number(i);
            db.addHistory(row);
        }
        db.flush();
        QCOMPARE(db.prune(), 4);
        const QList<StoredHistoryRow> kept = db.page(0);
        QCOMPARE(kept.size(), 3);
        QCOMPARE(kept[0].row.cells[CommandHistory::InfoColumn], QStringLiteral("6"));
        QCOMPARE(kept[2].row.cells[CommandHistory::InfoColumn], QStringLiteral("4"));
        const ServerDatabase::Stats stats = db.stats();
        QCOMPARE(stats.rows, 7);
        QCOMPARE(stats.transactions, 1);
    }

    // Another process holds the file: it is not set aside, and the rows of
    // this run wait and are written once it lets go; the operator is told
    // once, with the true counts.
    void aLockedDatabaseLosesNothing()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("h.sqlite"));
        const auto addRows = [](ServerDatabase &db, int from, int count) {
            for (int i = from; i < from + count; ++i) {
                StoredHistoryRow row;
                row.at = 1800000000000 + i;
                row.row.cells[CommandHistory::InfoColumn] = QString::number(i);
                db.addHistory(row);
            }
        };
        {
            ServerDatabase earlier;
            QVERIFY(earlier.open(path, 90, 1000000).ok);
            addRows(earlier, 0, 500);
            earlier.flush();
        }
        {
            QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
            other.setDatabaseName(path);
            QVERIFY(other.open());
            QSqlQuery lock(other);
            QVERIFY(lock.exec(QStringLiteral("BEGIN EXCLUSIVE")));
            ServerDatabase db;
            db.setBusyTimeout(20);
            QSignalSpy failed(&db, &ServerDatabase::writeFailed);
            QSignalSpy resumed(&db, &ServerDatabase::writeResumed);
            const ServerDatabase::OpenResult opened = db.open(path, 90, 1000000);
            QVERIFY2(opened.ok && opened.setAside.isEmpty(), qPrintable(opened.error));
            QCOMPARE(db.newestAtOpen(), 500);
            addRows(db, 500, 3000);
            QVERIFY(failed.wait(10000));
            QVERIFY2(failed[0][0].toString().contains(QLatin1String("3000 event history rows")),
                     qPrintable(failed[0][0].toString()));
            addRows(db, 3500, 1000);
            QVERIFY(lock.exec(QStringLiteral("ROLLBACK")));
            QVERIFY(resumed.wait(10000));
            QCOMPARE(resumed[0][0].toString(),
                     QStringLiteral("4000 event history rows that waited were written to the database"));
            QCOMPARE(failed.size(), 1);
            const QList<StoredHistoryRow> rows = db.page(0, 10000);
            QCOMPARE(rows.size(), 4500);
            QCOMPARE(rows.first().row.cells[CommandHistory::InfoColumn], QStringLiteral("4499"));
            QCOMPARE(rows.last().row.cells[CommandHistory::InfoColumn], QStringLiteral("0"));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("other"));
    }

    // A flood of replies keeps a bounded window in memory; the rows let go
    // come back from the database as the table scrolls down.
    void aFloodKeepsABoundedWindow()
    {
        AppHarness h;
        QVERIFY(h.start());
        CommandHistory *history = h.context().history;
        QSignalSpy trimmed(history, &CommandHistory::olderTrimmed);
        const int total = CommandHistory::kMaxRows + CommandHistory::kTrimRows + 1;
        for (int i = 0; i < total; ++i) {
            history->AddReply(QStringLiteral("m"), QString(), QString(), QStringLiteral("x"), QString::number(i));
            if (i % 20000 == 0)
                h.context().database->flush();
        }
        h.context().database->flush();
        QCOMPARE(trimmed.size(), 1);
        QCOMPARE(history->rowCount(), CommandHistory::kMaxRows);
        const QString oldestKept = history->cell(history->rowCount() - 1, CommandHistory::InfoColumn);
        QVERIFY(history->canFetchMore({}));
        history->fetchMore({});
        QTRY_VERIFY(history->rowCount() > CommandHistory::kMaxRows);
        QCOMPARE(history->cell(CommandHistory::kMaxRows, CommandHistory::InfoColumn),
                 QString::number(oldestKept.toInt() - 1));
    }

    // Rows past the limit by a margin are removed without waiting a day.
    void retentionFollowsAFlood()
    {
        QTemporaryDir dir;
        ServerDatabase db;
        QVERIFY(db.open(dir.filePath(QStringLiteral("h.sqlite")), 90, 10).ok);
        for (int i = 0; i < 1200; ++i) {
            StoredHistoryRow row;
            row.at = db.now();
            db.addHistory(row);
        }
        db.flush();
        QTRY_COMPARE(db.page(0).size(), 10);
    }

    void aFileOfTheFirstVersionGainsTheTransferList()
    {
        // A file written before fleet rows kept their transfer's list.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("old.sqlite"));
        {
            QSqlDatabase old = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("old"));
            old.setDatabaseName(path);
            QVERIFY(old.open());
            QSqlQuery query(old);
            QVERIFY(query.exec(QStringLiteral(
                "CREATE TABLE fleet(mac TEXT PRIMARY KEY, command TEXT, command_time INTEGER, command_type INTEGER, "
                "result INTEGER, result_text TEXT, last_reply TEXT, transfer INTEGER, files_total INTEGER, "
                "files_done INTEGER, files_failed INTEGER, finished_at INTEGER)")));
            QVERIFY(
                query.exec(QStringLiteral("INSERT INTO fleet(mac, command, transfer) VALUES('m1', 'Get File', 2)")));
            old.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("old"));
        {
            ServerDatabase db;
            QVERIFY(db.open(path, 90, 1000).ok);
            QCOMPARE(db.fleet().value(QStringLiteral("m1")).command, QStringLiteral("Get File"));
            FleetStatus::BoxStatus status;
            status.transfer = FleetStatus::Transfer::Ready;
            status.transferList = QStringLiteral("/content/XML/download_1.xml");
            db.putFleet(QStringLiteral("m2"), status);
            db.flush();
        }
        ServerDatabase again;
        QVERIFY(again.open(path, 90, 1000).ok);
        QCOMPARE(again.fleet().value(QStringLiteral("m2")).transferList, QStringLiteral("/content/XML/download_1.xml"));
        QCOMPARE(again.fleet().value(QStringLiteral("m1")).command, QStringLiteral("Get File"));
    }
};

QTEST_MAIN(TestHistoryDb)
#include "tst_historydb.moc"
