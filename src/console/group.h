#pragma once

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

// Group management window.
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

private:
    std::unique_ptr<Ui::TForm2> m_ui;
    AppContext &m_context;
    Forms &m_forms;
};
