#pragma once

#include <QDateTime>
#include <QWidget>

class QTableWidget;

// The journal tab: one row per logged event, in event order.
class JournalWidget : public QWidget
{
    Q_OBJECT
public:
    explicit JournalWidget(QWidget *parent = nullptr);

    QTableWidget *table() const { return m_table; }

public slots:
    void addItem(const QDateTime &time, const QString &server, const QString &message);

private:
    QTableWidget *m_table;
};
