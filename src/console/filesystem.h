#pragma once

#include "boxfiles/filedecode.h"
#include "boxfiles/uploadqueue.h"

#include <QHash>
#include <QWidget>

#include <memory>
#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;
struct AppContext;
struct Forms;

namespace Ui {
class TForm10;
}

// Box file-system window: asks boxes for their play lists, FTP state, play
// logs and disk directory, lists the files that arrive, decodes them, and
// deletes or fetches files on a box.
class TForm10 : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TForm10)

public:
    // Files the list keeps: the newest ones; a box naming a file again updates its row.
    static constexpr int kMaxFileRows = 10000;

    TForm10(AppContext &context, Forms &forms, QWidget *parent = nullptr);
    ~TForm10() override;

    // The box pick list: the group chooser and its boxes.
    QComboBox *pickGroups() const;
    QTreeWidget *pickBoxes() const;

    // A file that arrived: caption, client name, MAC, local path, and for an
    // FTP status the box's progress text (kept hidden).
    void AddFileRow(const QString &name, const QString &clientName, const QString &mac, const QString &path,
                    const std::optional<QString> &progress = std::nullopt);
    const QString &decodeText() const { return m_decodeText; }

signals:
    // A decode asked for by a double click has reached the decode list.
    void decodeFinished();
    // A text file asked for by a double click is in the text view.
    void textShown();
    // The operator asked for files from boxes: a task for each.
    void uploadRequested(const SUPLOADFILE &task);
    // The operator asked to see the download list.
    void downloadViewRequested();

private:
    struct PickedBox
    {
        QString clientName;
        QString mac;
    };
    QList<PickedBox> checkedBoxes() const;
    QString clientNameOf(const QString &mac) const;
    void addReplyRow(const QString &name, const QString &mac, const QString &urlPath,
                     const std::optional<QString> &progress);
    void getXmlClick();
    void checkFtpClick();
    void getPlayLogClick();
    void getDiskDirClick();
    void fileDoubleClicked();
    void startDecode(int kind, const QString &path, const QString &progress, const QString &mac,
                     const QString &clientName);
    // diskMac: the box a disk directory came from; its rows carry it.
    void showDecoded(const DecodedTable &table, const QString &diskMac, const QString &diskClient);
    // A file no decoder reads, shown as text beside the decode list.
    void showText(const QString &name, const QString &path);
    void findInText();
    void fillTextSlice();
    void deleteClick();
    void uploadClick();
    void cleanClick();
    QString boxFolder(const QString &clientName, const QString &mac);

    std::unique_ptr<Ui::TForm10> m_ui;
    AppContext &m_context;
    Forms &m_forms;
    QTimer *m_timer = nullptr;
    QString m_decodeText;
    QObject *m_decoding = nullptr; // the watcher of the newest decode
    QObject *m_reading = nullptr;  // the watcher of the newest text read
    QWidget *m_textPanel = nullptr;
    QPlainTextEdit *m_text = nullptr;
    QLineEdit *m_find = nullptr;
    QLabel *m_textTitle = nullptr; // the file shown, and whether all of it
    QTimer *m_textSlices = nullptr;
    QString m_pendingText; // the text still going into the view, from m_pendingAt on
    qsizetype m_pendingAt = 0;
    int m_sortColumn = 0;
    QHash<QString, QTreeWidgetItem *> m_rowOfPath; // the file list's rows by MAC, name and local path
};
