#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal on the GUI thread, so that a
// stopped server closes its main window as the operator would.
class SignalBridge : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SignalBridge)

public:
    explicit SignalBridge(QObject *parent = nullptr);
    ~SignalBridge() override;

signals:
    void terminationRequested(int signalNumber);

private:
    void readSignal();

    QSocketNotifier *m_notifier = nullptr;
};
