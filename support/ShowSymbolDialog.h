#pragma once

#include <QDialog>
#include <QStringList>

class QLabel;
class QListWidget;
class QListWidgetItem;
class QVBoxLayout;
class SymbolDataStorage;

// "Show/Hide Symbols": one check box per symbol of the account. Each change
// takes effect at once in the symbol store and is announced, so the owner
// can save the account's shown symbols.
class ShowSymbolDialog : public QDialog
{
    Q_OBJECT
public:
    // storage is not owned; with a storage the list is filled at once.
    explicit ShowSymbolDialog(SymbolDataStorage *storage, const QStringList &savedShown = QStringList(),
                              QWidget *parent = nullptr);

    // Refills the list: every symbol of the store, checked when savedShown is
    // empty or names it.
    void fill(const QStringList &savedShown);

    QListWidget *listWidget() const { return m_listWidget; }

signals:
    // After the store has been told; once per changed item.
    void symbolShownChanged(const QString &symbol, bool shown);

private slots:
    void on_listWidget_itemChanged(QListWidgetItem *item);

private:
    SymbolDataStorage *m_storage;
    QVBoxLayout *m_verticalLayout;
    QLabel *m_label;
    QListWidget *m_listWidget;
};
