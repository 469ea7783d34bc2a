#include "ModalBoxCatcher.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPushButton>

ModalBoxCatcher::ModalBoxCatcher(QObject *parent) : QObject(parent)
{
    m_timer.setInterval(20);
    connect(&m_timer, &QTimer::timeout, this, &ModalBoxCatcher::poll);
    m_timer.start();
}

void ModalBoxCatcher::poll()
{
    auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
    if (!box || !box->isVisible() || box->property("caught").toBool())
        return;
    box->setProperty("caught", true);
    m_boxes.append({box->windowTitle(), box->text(), box->icon(), box->parentWidget() != nullptr});
    QAbstractButton *button = box->button(QMessageBox::Ok);
    if (!button)
        button = box->defaultButton();
    if (button)
        button->click();
    else
        box->done(0);
    emit boxAnswered();
}
