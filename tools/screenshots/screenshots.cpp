// Takes pictures of the main windows with three simulated boxes connected,
// for the documentation. Run under a real X server (make screenshots uses
// xvfb-run). Usage: screenshots OUTPUT_FOLDER
#include "boxsimulator.h"
#include "config/mainform.h"
#include "config/quietprompter.h"
#include "config/serverapp.h"
#include "console/boxMag.h"
#include "console/boxlists.h"
#include "console/deploymanage.h"
#include "console/group.h"
#include "link/cmd.h"
#include "registry/MacGroup.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include <cstdio>

namespace {

int freePort()
{
    QTcpServer server;
    server.listen(QHostAddress::AnyIPv4, 0);
    return server.serverPort();
}

void wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool save(QWidget *window, const QString &file)
{
    window->show();
    window->raise();
    wait(300);
    const bool ok = window->grab().save(file);
    std::printf("%s %s\n", ok ? "wrote" : "could not write", qPrintable(file));
    return ok;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);

    QTemporaryDir dir;
    StartupOptions options;
    options.deployFile = dir.filePath(QStringLiteral("Deploy.ini"));
    options.content = dir.filePath(QStringLiteral("content"));
    options.serviceIp = QStringLiteral("192.168.1.10");
    options.boxPort = freePort();
    QFile deploy(options.deployFile);
    deploy.open(QIODevice::WriteOnly);
    deploy.write("[SERVICE]\nSERVICE PORT=" + QByteArray::number(freePort()) + "\n");
    deploy.close();

    QuietPrompter prompter;
    ServerApp server(options, prompter, QCoreApplication::applicationDirPath() + QStringLiteral("/libvestrid.so"));
    if (!server.start())
        return 1;
    SimulatorOptions simulator;
    simulator.port = quint16(options.boxPort);
    simulator.heartbeatMs = 1000;
    BoxSimulator boxes(3, simulator);
    boxes.box(1)->profile().outputMode = 2;
    boxes.box(1)->profile().status = 3;
    boxes.box(2)->profile().layout = 1;
    boxes.box(2)->profile().clockOffsetSeconds = -42;
    boxes.start();
    MacGruoup &registry = *server.context().registry;
    for (int i = 0; i < 100 && registry.BoxCount() < 3; ++i)
        wait(50);
    registry.AddGroup(QStringLiteral("大厅"));
    registry.SetBoxGroup(1, QStringLiteral("大厅"));
    registry.SetBoxGroup(2, QStringLiteral("大厅"));
    registry.SetBoxName(0, QStringLiteral("前台"));
    registry.SetBoxName(1, QStringLiteral("大厅左"));
    registry.SetBoxName(2, QStringLiteral("大厅右"));
    wait(1200);

    Forms &forms = server.forms();
    const auto click = [&forms](const char *button) {
        forms.form1->findChild<QToolButton *>(QString::fromLatin1(button))->click();
    };
    // The names and groups were set behind the windows' back: refresh them.
    BoxLists::PickList(forms.form1->pickGroups(), forms.form1->pickBoxes(), registry, BoxLists::PickRefresh);
    click("sbGroup");
    click("sbBoxManagement");
    server.context().cmd->SendBoxCommand(CMD_GETFILENAME, registry.Box(0).MacAdd);
    wait(500);
    forms.form1->resize(1024, 640);
    bool ok = save(forms.form1, out + QStringLiteral("/TForm1.png"));
    ok = save(forms.form2, out + QStringLiteral("/TForm2.png")) && ok;
    ok = save(forms.form3, out + QStringLiteral("/TForm3.png")) && ok;
    click("sbDeploy");
    ok = save(forms.form5, out + QStringLiteral("/TForm5.png")) && ok;
    boxes.stop();
    return ok ? 0 : 1;
}
