#pragma once

#include "registry/boxchange.h"
#include <QWidget>

#include <memory>

class QComboBox;
class QListWidget;
class QTreeWidget;
struct AppContext;
struct Forms;

namespace Ui {
class TForm2;
}

// Group management window: every box of the registry; groups added, deleted,
// renamed or merged; a box's client name and group.
class TForm2 : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TForm2)

public:
    TForm2(AppContext &context, Forms &forms, QWidget *parent = nullptr);
    ~TForm2() override;

    QTreeWidget *groupList() const;
    QListWidget *groupListBox() const;
    QComboBox *groupCombo() const;

    // Every box and group again, as the registry holds them now.
    void refill();
    // Rows follow boxes heard or gone silent; newBox: the registry took in a box.
    void followBoxes(const QList<BoxLists::BoxChange> &changes, bool newBox);
    // One box's row follows the registry.
    void followBox(const QString &mac);

signals:
    // The boxes' groups or names changed: box lists of other windows follow.
    void boxListStale();
    // A box was renamed here.
    void boxRenamed(const QString &mac, const QString &clientName);

private:
    void lv_GroupListSelect();
    void sbAddGroupClick();
    void sbDelGroupClick();
    void sbRenameGroupClick();
    void sbMACNodeModifyClick();
    // Forgets the selected box after asking; only an offline box.
    void removeBoxClick();
    // The selected group of lbGroupName, if one of the first 101 is selected.
    QString selectedGroup() const;
    // Refuses a name the registry or its file cannot hold, telling the operator why.
    bool acceptableName(const QString &name);
    void refreshAfterGroupChange();
    void message(const QString &title, const char *text);

    std::unique_ptr<Ui::TForm2> m_ui;
    AppContext &m_context;
    Forms &m_forms;
    int m_sortColumn = 0;
};
