#pragma once

#include <QMessageBox>
#include <QObject>
#include <QStringList>
#include <QTimer>

// Answers modal message boxes while a GUI test waits: every box that becomes the
// active modal widget is recorded (title and text) and closed with the chosen button.
class ModalAnswerer : public QObject
{
    Q_OBJECT
public:
    explicit ModalAnswerer(QMessageBox::StandardButton answer = QMessageBox::Ok, QObject *parent = nullptr);

    void setAnswer(QMessageBox::StandardButton answer) { m_answer = answer; }
    QStringList titles() const { return m_titles; }
    QStringList texts() const { return m_texts; }
    int count() const { return m_titles.size(); }
    void clear();

private:
    void poll();

    QTimer m_timer;
    QMessageBox::StandardButton m_answer;
    QStringList m_titles;
    QStringList m_texts;
};
