#pragma once

#include <QWidget>

#include <memory>

struct AppContext;
struct Forms;

namespace Ui {
class TForm4;
}

// Schedule list window.
class TForm4 : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TForm4)

public:
    TForm4(AppContext &context, Forms &forms, QWidget *parent = nullptr);
    ~TForm4() override;

private:
    std::unique_ptr<Ui::TForm4> m_ui;
    AppContext &m_context;
    Forms &m_forms;
};
