#pragma once

#include <QWidget>

#include <memory>

struct AppContext;
struct Forms;

namespace Ui {
class TForm9;
}

// FTP plans window.
class TForm9 : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TForm9)

public:
    TForm9(AppContext &context, Forms &forms, QWidget *parent = nullptr);
    ~TForm9() override;

private:
    std::unique_ptr<Ui::TForm9> m_ui;
    AppContext &m_context;
    Forms &m_forms;
};
