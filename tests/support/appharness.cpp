#include "appharness.h"

#include "config/mainform.h"
#include "scratchserver.h"

#include <QComboBox>
#include <QHeaderView>
#include <QListWidget>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

AppHarness::AppHarness() : options(ScratchServerOptions(dir.path())) {}

AppHarness::~AppHarness() = default;

bool AppHarness::start()
{
    app = std::make_unique<ServerApp>(options, prompter, QStringLiteral(VESTRID_LIBRARY));
    // No test depends on this machine's name or network cards.
    app->context().localAddresses = [] {
        return LocalAddressList{QStringLiteral("testhost"),
                                {QStringLiteral("192.0.2.10"), QStringLiteral("127.0.0.1")}};
    };
    app->context().content->setPerAddressLimit(contentPeerLimit);
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

void clickHeader(QTreeWidget *view, int column)
{
    QHeaderView *header = view->header();
    const QPoint middle(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                        header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, middle);
}

void clickItem(QListWidget *list, int row)
{
    const QRect rect = list->visualItemRect(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
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
