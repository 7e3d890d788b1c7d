#include "QtPrompter.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QWidget>

namespace {

QWidget* asWidget(QObject* parent)
{
    return qobject_cast<QWidget*>(parent);
}

QMessageBox::Icon boxIcon(prompt::Icon icon)
{
    switch (icon) {
    case prompt::Icon::Warning:
        return QMessageBox::Warning;
    case prompt::Icon::Critical:
        return QMessageBox::Critical;
    case prompt::Icon::Information:
        break;
    }
    return QMessageBox::Information;
}

}  // namespace

bool QtPrompter::message(QObject* parent, prompt::Icon icon, const QString& title, const QString& text,
                         prompt::Buttons buttons)
{
    const bool yesNo = buttons == prompt::Buttons::YesNo;
    QMessageBox box(boxIcon(icon), title, text,
                    yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, asWidget(parent));
    if (yesNo)
        box.setDefaultButton(QMessageBox::Yes);
    const int answer = box.exec();
    return yesNo ? answer == QMessageBox::Yes : answer == QMessageBox::Ok;
}

QString QtPrompter::saveFileName(QObject* parent, const QString& caption, const QString& dir,
                                 const QString& filter)
{
    return QFileDialog::getSaveFileName(asWidget(parent), caption, dir, filter);
}

QString QtPrompter::openFileName(QObject* parent, const QString& caption, const QString& dir,
                                 const QString& filter)
{
    return QFileDialog::getOpenFileName(asWidget(parent), caption, dir, filter);
}

bool QtPrompter::getText(QObject* parent, const QString& title, const QString& label, QString& text)
{
    bool ok = false;
    const QString answer = QInputDialog::getText(asWidget(parent), title, label, QLineEdit::Normal, text,
                                                 &ok, Qt::WindowCloseButtonHint);
    if (ok)
        text = answer;
    return ok;
}
