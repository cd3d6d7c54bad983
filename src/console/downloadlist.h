#pragma once

#include <QWidget>

#include <memory>

struct AppContext;
struct Forms;

namespace Ui {
class TForm11;
}

// Download list window.
class TForm11 : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TForm11)

public:
    TForm11(AppContext &context, Forms &forms, QWidget *parent = nullptr);
    ~TForm11() override;

private:
    std::unique_ptr<Ui::TForm11> m_ui;
    AppContext &m_context;
    Forms &m_forms;
};
