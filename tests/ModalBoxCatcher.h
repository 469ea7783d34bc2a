#pragma once

#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QTimer>

// Answers every modal message box as it appears by pressing its OK (or
// default) button, and keeps what each one said.
class ModalBoxCatcher : public QObject
{
    Q_OBJECT
public:
    struct Box
    {
        QString title;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        bool hasParent = false;
    };

    explicit ModalBoxCatcher(QObject *parent = nullptr);

    QList<Box> boxes() const { return m_boxes; }
    int count() const { return m_boxes.size(); }
    Box last() const { return m_boxes.value(m_boxes.size() - 1); }
    void clear() { m_boxes.clear(); }

signals:
    void boxAnswered();

private:
    void poll();

    QTimer m_timer;
    QList<Box> m_boxes;
};
