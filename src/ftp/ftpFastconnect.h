#pragma once

#include <QWidget>

#include <memory>

struct AppContext;
struct Forms;

namespace Ui {
class TForm8;
}

// FTP fast-connect window.
class TForm8 : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TForm8)

public:
    TForm8(AppContext &context, Forms &forms, QWidget *parent = nullptr);
    ~TForm8() override;

private:
    std::unique_ptr<Ui::TForm8> m_ui;
    AppContext &m_context;
    Forms &m_forms;
};
