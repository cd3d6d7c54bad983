#pragma once

#include <QWidget>

#include <memory>

class QComboBox;
class QTreeWidget;
struct AppContext;
struct Forms;

namespace Ui {
class TForm7;
}

// FTP files window.
class TForm7 : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TForm7)

public:
    TForm7(AppContext &context, Forms &forms, QWidget *parent = nullptr);
    ~TForm7() override;

    // The box pick list: the group chooser and its boxes.
    QComboBox *pickGroups() const;
    QTreeWidget *pickBoxes() const;

private:
    std::unique_ptr<Ui::TForm7> m_ui;
    AppContext &m_context;
    Forms &m_forms;
};
