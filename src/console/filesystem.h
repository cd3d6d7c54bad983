#pragma once

#include <QWidget>

#include <memory>

class QComboBox;
class QTreeWidget;
struct AppContext;
struct Forms;

namespace Ui {
class TForm10;
}

// Box file-system window.
class TForm10 : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TForm10)

public:
    TForm10(AppContext &context, Forms &forms, QWidget *parent = nullptr);
    ~TForm10() override;

    // The box pick list: the group chooser and its boxes.
    QComboBox *pickGroups() const;
    QTreeWidget *pickBoxes() const;

private:
    std::unique_ptr<Ui::TForm10> m_ui;
    AppContext &m_context;
    Forms &m_forms;
};
