#include "qtprompter.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

QWidget *QtPrompter::parentWindow()
{
    return QApplication::activeWindow();
}

Prompter::Button QtPrompter::message(const QString &title, const QString &text, Buttons buttons, Icon icon)
{
    QMessageBox box(parentWindow());
    box.setWindowTitle(title);
    box.setText(text);
    // The operator must answer before anything else happens.
    box.setWindowModality(Qt::ApplicationModal);
    switch (icon) {
    case Icon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case Icon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case Icon::Error:
        box.setIcon(QMessageBox::Critical);
        break;
    case Icon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case Icon::None:
        break;
    }
    switch (buttons) {
    case Buttons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case Buttons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case Buttons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case Buttons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Ok:
        return Button::Ok;
    case QMessageBox::Yes:
        return Button::Yes;
    case QMessageBox::No:
        return Button::No;
    default:
        return Button::Cancel;
    }
}

std::optional<QString> QtPrompter::input(const QString &title, const QString &prompt, const QString &initial)
{
    bool ok = false;
    const QString text = QInputDialog::getText(parentWindow(), title, prompt, QLineEdit::Normal, initial, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

std::optional<quint32> QtPrompter::colour(const QString &title, quint32 initial)
{
    const QColor chosen = QColorDialog::getColor(QColor::fromRgb(initial), parentWindow(), title);
    if (!chosen.isValid())
        return std::nullopt;
    return chosen.rgb() & 0xFFFFFFu;
}

std::optional<QString> QtPrompter::openFile(const QString &title, const QString &folder, const QString &filter)
{
    const QString file = QFileDialog::getOpenFileName(parentWindow(), title, folder, filter);
    if (file.isEmpty())
        return std::nullopt;
    return file;
}

std::optional<QString> QtPrompter::saveFile(const QString &title, const QString &proposal, const QString &filter)
{
    const QString file = QFileDialog::getSaveFileName(parentWindow(), title, proposal, filter);
    if (file.isEmpty())
        return std::nullopt;
    return file;
}

std::optional<QString> QtPrompter::chooseFolder(const QString &title, const QString &start)
{
    const QString folder = QFileDialog::getExistingDirectory(parentWindow(), title, start);
    if (folder.isEmpty())
        return std::nullopt;
    return folder;
}
