#include "cmdhistory.h"

#include "ui_cmdhistory.h"

#include "config/appcontext.h"
#include "link/cmd.h"
#include "link/history.h"
#include "registry/MacGroup.h"

#include <QHeaderView>

TForm6::TForm6(AppContext &context, Forms &forms, QWidget *parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::TForm6>()), m_context(context), m_forms(forms)
{
    m_ui->setupUi(this);
    m_ui->cb_AutoPrompt->setChecked(true);
    if (!m_context.history)
        return;
    QTableView *view = m_ui->lv_CmdHistory;
    view->setModel(m_context.history);
    // Fixed row heights and column widths keep the table quick at a million rows.
    view->verticalHeader()->setVisible(false);
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
    view->horizontalHeader()->setSectionsClickable(true);
    view->horizontalHeader()->setStretchLastSection(true);
    // The last column takes what is left of the width.
    const int widths[] = {140, 120, 110, 220};
    for (int column = 0; column < 4; ++column)
        view->setColumnWidth(column, widths[column]);
    connect(view->horizontalHeader(), &QHeaderView::sectionClicked, m_context.history, &CommandHistory::sortByColumn);
    connect(m_ui->sb_ClearALL, &QToolButton::clicked, m_context.history, &CommandHistory::clear);
    connect(m_context.history, &CommandHistory::rowAdded, this, [this] {
        if (m_ui->cb_AutoPrompt->isChecked() && !isVisible())
            show();
    });
    if (m_context.cmd) {
        connect(m_context.cmd, &Cmd_API::eventReply, this,
                [this](const QString &mac, const QString &ip, const QString &display, const QString &message) {
                    int slot = -1;
                    QString client;
                    if (m_context.registry && m_context.registry->FindBox(mac, &slot) == RES_FOUND)
                        client = m_context.registry->Box(slot).ClientName;
                    m_context.history->AddReply(mac, client, ip, display, message);
                });
    }
}

TForm6::~TForm6() = default;
