#include "UiScript.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTest>

UiScript::UiScript()
{
    m_timer.setInterval(10);
    connect(&m_timer, &QTimer::timeout, this, &UiScript::poll);
    m_timer.start();
}

QStringList UiScript::entryTexts(const QMenu *menu)
{
    QStringList texts;
    for (const QAction *action : menu->actions())
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return texts;
}

UiScript &UiScript::chooseMenuEntry(const QString &text)
{
    m_steps.append({true, [this, text](QWidget *widget) {
                        auto *menu = qobject_cast<QMenu *>(widget);
                        if (!menu)
                            return false;
                        m_menus.append(entryTexts(menu));
                        for (QAction *action : menu->actions()) {
                            if (action->text() == text) {
                                // Later, not from inside this poll: the choice may open a dialog
                                // whose own loop needs the polls to go on.
                                QTimer::singleShot(0, menu, [menu, action] {
                                    menu->setActiveAction(action);
                                    QTest::keyClick(menu, Qt::Key_Return);
                                });
                                return true;
                            }
                        }
                        menu->close();
                        return true;
                    }});
    return *this;
}

UiScript &UiScript::dismissMenu()
{
    m_steps.append({true, [this](QWidget *widget) {
                        auto *menu = qobject_cast<QMenu *>(widget);
                        if (!menu)
                            return false;
                        m_menus.append(entryTexts(menu));
                        menu->close();
                        return true;
                    }});
    return *this;
}

UiScript &UiScript::onModal(const Step &step)
{
    m_steps.append({false, step});
    return *this;
}

void UiScript::poll()
{
    if (finished())
        return;
    const Entry entry = m_steps.at(m_next);
    QWidget *widget = entry.popup ? QApplication::activePopupWidget() : QApplication::activeModalWidget();
    // A menu whose choice is still to be played is not the next one.
    if (!widget || !widget->isVisible() || widget == m_handled)
        return;
    // A timer never fires again while its own handler runs, so a step must not
    // open a nested event loop itself; one that opens later from what it did is fine.
    if (entry.step(widget)) {
        m_handled = widget;
        ++m_next;
    }
}
