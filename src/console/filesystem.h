#pragma once

#include <QWidget>

#include <memory>

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

private:
    std::unique_ptr<Ui::TForm10> m_ui;
    AppContext &m_context;
    Forms &m_forms;
};
