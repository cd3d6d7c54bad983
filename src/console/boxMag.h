#pragma once

#include <QWidget>

#include <memory>

struct AppContext;
struct Forms;

namespace Ui {
class TForm3;
}

// Box management window.
class TForm3 : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TForm3)

public:
    TForm3(AppContext &context, Forms &forms, QWidget *parent = nullptr);
    ~TForm3() override;

private:
    std::unique_ptr<Ui::TForm3> m_ui;
    AppContext &m_context;
    Forms &m_forms;
};
