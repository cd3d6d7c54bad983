#pragma once

#include "base/clock.h"
#include "boxfiles/boxweek.h"

#include <QDateTime>
#include <QHash>
#include <QWidget>

#include <functional>

struct AppContext;
class QComboBox;
class QLabel;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;

// A box's week drawn from a week model: seven day columns, Sunday first,
// hours down the side, one block per schedule in the colour of its kind, a
// line at the current time, and each day's notes where it is empty.
class WeekView : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WeekView)

public:
    explicit WeekView(const WeekModel &model, QWidget *parent = nullptr);

    // Where the current-time line goes: the box's day and second of the day;
    // a negative day draws none.
    void setNow(int day, int second);
    // The block drawn at a point of the view, or -1.
    int blockAt(const QPoint &point) const;
    QRect blockRect(int row) const;
    static QColor KindColour(int kind);

    QSize sizeHint() const override { return {820, 600}; }
    QSize minimumSizeHint() const override { return {560, 400}; }

protected:
    void paintEvent(QPaintEvent *event) override;
    bool event(QEvent *event) override;

private:
    QRect dayRect(int day) const;
    int yOf(int second) const;

    const WeekModel &m_model;
    int m_nowDay = -1;
    int m_nowSecond = 0;
};

// Calendar window: what each chosen box holds for the week, read from the
// box itself; the boxes of a group whose week differs from most of the
// group's, and the days that differ from what the last transfer sent.
class CalendarWindow : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CalendarWindow)

public:
    explicit CalendarWindow(AppContext &context, QWidget *parent = nullptr);
    ~CalendarWindow() override;

    WeekModel *model() const { return m_model; }
    WeekReader *reader() const { return m_reader; }
    WeekView *view() const { return m_view; }
    // The server's clock, for the current-time line; tests set their own.
    void setClock(const Clock &clock);
    // Shows a read box's week.
    void showBox(const QString &mac);
    // Fills the pick list from the registry.
    void refreshPicks();

signals:
    // Every box of the last "读取" was read, or could not be.
    void readFinished();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void readChosen();
    void boxRead(const QString &mac);
    void listOddOnes();
    void updateNow();
    void exportPng();
    // The picture's heading: the box, the week's dates and when it was read.
    QString exportHeading() const;
    // Where an export is proposed: week-<MAC>-<day read>.<suffix> at home.
    QString exportProposal(const QString &suffix) const;
    void exportCsv();
    QString nameOf(const QString &mac) const;

    AppContext &m_context;
    WeekModel *m_model = nullptr;
    WeekReader *m_reader = nullptr;
    WeekView *m_view = nullptr;
    QComboBox *m_groups = nullptr;
    QTreeWidget *m_boxes = nullptr;
    QTreeWidget *m_oddOnes = nullptr;
    QLabel *m_boxLine = nullptr;
    QLabel *m_nowLine = nullptr;
    QHash<QString, QDateTime> m_readAt; // when each box's week was read
    QLabel *m_notes = nullptr;
    QLabel *m_readState = nullptr;
    QTimer *m_nowTimer = nullptr;
    QStringList m_reading; // the boxes of the last "读取"
    const Clock *m_clock = &Clock::system();
};
