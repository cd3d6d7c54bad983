#include "appharness.h"

#include "config/mainform.h"
#include "scratchserver.h"

#include <QComboBox>
#include <QListWidget>
#include <QToolButton>
#include <QTreeWidget>

AppHarness::AppHarness() : options(ScratchServerOptions(dir.path())) {}

AppHarness::~AppHarness() = default;

bool AppHarness::start()
{
    app = std::make_unique<ServerApp>(options, prompter, QStringLiteral(VESTRID_LIBRARY));
    return app->start();
}

void AppHarness::clickMain(const char *button)
{
    forms().form1->findChild<QToolButton *>(QString::fromLatin1(button))->click();
}

namespace GuiUtil {

QStringList column(QTreeWidget *view, int c)
{
    QStringList texts;
    for (int i = 0; i < view->topLevelItemCount(); ++i)
        texts.append(view->topLevelItem(i)->text(c));
    return texts;
}

QStringList entries(QComboBox *combo)
{
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i)
        texts.append(combo->itemText(i));
    return texts;
}

QStringList entries(QListWidget *list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts.append(list->item(i)->text());
    return texts;
}

} // namespace GuiUtil
