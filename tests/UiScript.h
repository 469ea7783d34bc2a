#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QVector>
#include <functional>

class QMenu;
class QWidget;

// Answers menus and modal dialogs that the code under test opens and runs
// itself (QMenu::exec, QDialog::exec): a timer looks every few milliseconds
// for the next expected popup or modal widget and plays one step on it.
class UiScript : public QObject
{
    Q_OBJECT
public:
    // A step gets the widget found and returns true when it has dealt with it.
    using Step = std::function<bool(QWidget *)>;

    UiScript();

    // The next popup menu: its entries are recorded and the one named text is chosen.
    UiScript &chooseMenuEntry(const QString &text);
    // The next popup menu is closed without a choice.
    UiScript &dismissMenu();
    // The next modal widget is handed to step.
    UiScript &onModal(const Step &step);

    bool finished() const { return m_next == m_steps.size(); }
    int stepsDone() const { return m_next; }
    // Entry texts of every menu seen, in order; separators are "-".
    QList<QStringList> menusSeen() const { return m_menus; }

    static QStringList entryTexts(const QMenu *menu);

private:
    void poll();

    struct Entry
    {
        bool popup;
        Step step;
    };
    QVector<Entry> m_steps;
    int m_next = 0;
    QTimer m_timer;
    QList<QStringList> m_menus;
    QPointer<QWidget> m_handled; // the last widget a step dealt with
};
