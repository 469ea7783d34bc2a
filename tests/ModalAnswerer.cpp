#include "ModalAnswerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPushButton>

ModalAnswerer::ModalAnswerer(QMessageBox::StandardButton answer, QObject *parent)
    : QObject(parent), m_answer(answer)
{
    connect(&m_timer, &QTimer::timeout, this, &ModalAnswerer::poll);
    m_timer.start(20);
}

void ModalAnswerer::clear()
{
    m_titles.clear();
    m_texts.clear();
}

void ModalAnswerer::poll()
{
    auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
    if (!box || !box->isVisible() || box->property("answered").toBool())
        return;
    box->setProperty("answered", true);
    m_titles << box->windowTitle();
    m_texts << box->text();
    QAbstractButton *button = box->button(m_answer);
    if (!button)
        button = box->defaultButton() ? static_cast<QAbstractButton *>(box->defaultButton())
                                      : box->buttons().value(0);
    if (button)
        button->click();
}
