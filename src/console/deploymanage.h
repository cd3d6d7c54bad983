#pragma once

#include <QWidget>

#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
struct AppContext;
struct Forms;

namespace Ui {
class TForm5;
}

// Server setup window: the service address, the service port and the folder
// of the content root, saved to Deploy.ini for the next start; and the restart.
class TForm5 : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TForm5)

public:
    // This computer's addresses offered, at most; the one in use comes on top.
    static constexpr int kMaxAddresses = 10;

    TForm5(AppContext &context, Forms &forms, QWidget *parent = nullptr);
    ~TForm5() override;

    // The settings as Deploy.ini holds them, shown for editing.
    void FillSetup(const QString &contentPath, const QString &serviceIp, int servicePort, const QString &deployFile);
    // The settings as Deploy.ini holds them now, which may differ from the
    // ones this run started with.
    void FillFromDeploy();

    QString contentPath() const { return m_contentPath; }
    QString serviceIp() const { return m_serviceIp; }
    int servicePort() const { return m_servicePort; }
    QString deployFile() const { return m_deployFile; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click();
    void sb_RebootClick();
    void fillAddresses();
    void addAlertSwitches();
    void addLanguageChoice();
    void error(const char *text);
    // The content folder the chosen base folder gives ("/home/op/content/").
    QString chosenContentRoot() const;
    // Tells in the window what an Apply saved, or that it could not.
    void applied(bool written, const QString &what);

    std::unique_ptr<Ui::TForm5> m_ui;
    AppContext &m_context;
    Forms &m_forms;
    QString m_contentPath;
    QString m_serviceIp;
    int m_servicePort = 0;
    QString m_deployFile;
    QList<QCheckBox *> m_alertSwitches; // in the order of the alert kinds
    QComboBox *m_language = nullptr;
    QLabel *m_contentFolder = nullptr; // the content folder itself
    QLabel *m_applied = nullptr;       // what the last Apply did
};
