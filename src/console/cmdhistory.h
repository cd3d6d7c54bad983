#pragma once

#include <QWidget>

#include <memory>

struct AppContext;
struct Forms;

namespace Ui {
class TForm6;
}

// Event history window.
class TForm6 : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TForm6)

public:
    TForm6(AppContext &context, Forms &forms, QWidget *parent = nullptr);
    ~TForm6() override;

private:
    std::unique_ptr<Ui::TForm6> m_ui;
    AppContext &m_context;
    Forms &m_forms;
};
