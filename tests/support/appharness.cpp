#include "appharness.h"

#include "config/mainform.h"
#include "registry/MacGroup.h"
#include "scratchserver.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QListWidget>
#include <QStyle>
#include <QStyleOptionViewItem>
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
    if (notifier)
        app->setAlertNotifier(notifier);
    if (!desktopBus.isEmpty())
        app->setDesktopBus(desktopBus);
    return app->start();
}

SimulatorOptions AppHarness::boxOptions() const
{
    SimulatorOptions simulator;
    simulator.port = quint16(options.boxPort);
    simulator.heartbeatMs = 0;
    return simulator;
}

bool AppHarness::connectBoxes(BoxSimulator &boxes, int count)
{
    boxes.start();
    return QTest::qWaitFor([&] { return registry().BoxCount() == count; }, 20000);
}

void AppHarness::clickMain(const char *button)
{
    forms().form1->findChild<QToolButton *>(QString::fromLatin1(button))->click();
}

namespace GuiUtil {

void click(QWidget *window, const char *button)
{
    QToolButton *b = child<QToolButton>(window, button);
    if (!b->isEnabled())
        QTest::qFail(qPrintable(QStringLiteral("%1 is disabled").arg(QLatin1String(button))), __FILE__, __LINE__);
    QTest::mouseClick(b, Qt::LeftButton);
}

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

namespace {

QRect checkIndicator(QAbstractItemView *view, const QRect &row)
{
    QStyleOptionViewItem option;
    option.rect = row;
    option.features = QStyleOptionViewItem::HasCheckIndicator;
    return view->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, view);
}

} // namespace

QRect rowRect(QTreeWidget *view, QTreeWidgetItem *item)
{
    view->scrollToItem(item);
    return view->visualItemRect(item);
}

void checkRow(QTreeWidget *view, QTreeWidgetItem *item)
{
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, checkIndicator(view, rowRect(view, item)).center());
}

void checkItem(QListWidget *list, int row)
{
    QListWidgetItem *item = list->item(row);
    list->scrollToItem(item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, checkIndicator(list, list->visualItemRect(item)).center());
}

void doubleClickRow(QTreeWidget *view, QTreeWidgetItem *item)
{
    const QPoint at = rowRect(view, item).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
}

QTreeWidgetItem *rowNamed(QTreeWidget *view, const QString &caption)
{
    const auto found = view->findItems(caption, Qt::MatchExactly, 0);
    return found.isEmpty() ? nullptr : found.first();
}

void type(QWidget *edit, const QString &text)
{
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Delete);
    // Chinese comes through the input method, as it does for a person.
    for (const QChar c : text) {
        if (c.unicode() < 0x80) {
            QTest::keyClick(edit, c.toLatin1());
        } else {
            QInputMethodEvent event;
            event.setCommitString(QString(c));
            QApplication::sendEvent(edit, &event);
        }
    }
}

} // namespace GuiUtil
