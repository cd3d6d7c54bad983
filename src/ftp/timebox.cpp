#include "timebox.h"

#include <QComboBox>
#include <QEvent>
#include <QLineEdit>
#include <QTimer>

namespace {

class SelectOnFocus : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // After the click that gave the focus has placed the cursor.
        if (event->type() == QEvent::FocusIn) {
            QLineEdit *edit = qobject_cast<QLineEdit *>(watched);
            if (auto *box = qobject_cast<QComboBox *>(watched))
                edit = box->lineEdit();
            if (edit)
                QTimer::singleShot(0, edit, &QLineEdit::selectAll);
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

void MakeTimeBox(QComboBox *box)
{
    box->setInsertPolicy(QComboBox::NoInsert);
    if (!box->lineEdit())
        return;
    box->lineEdit()->setMaxLength(2);
    auto *filter = new SelectOnFocus(box);
    box->installEventFilter(filter);
    box->lineEdit()->installEventFilter(filter);
}
