#pragma once

#include <QMap>
#include <QObject>

class LoginDialog;
class QTreeWidget;
class QTreeWidgetItem;

// The "Accounts" tab: saved logins grouped by server, the current one marked,
// double click to switch and a "Delete" context menu.
class AccountTreePanel : public QObject
{
    Q_OBJECT
public:
    AccountTreePanel(QTreeWidget *tree, LoginDialog *loginDialog, QObject *parent = nullptr);

    // Rebuilds the tree; accountName names the current account when the file has no name for it.
    void loadAccountTree(const QString &accountName);
    void deleteSavedAccount(QTreeWidgetItem *item);

    QMap<QString, QString> accountNameCache() const { return m_accountNameCache; }

    // A login item's (server, login), or false when the item is not one.
    static bool parseLoginItem(const QTreeWidgetItem *item, QString *server, qint64 *login);
    static QImage statusIcon();

signals:
    void switchRequested(const QString &serverName, qint64 login);

private:
    void showContextMenu(const QPoint &pos);
    void onItemDoubleClicked(QTreeWidgetItem *item);

    QTreeWidget *m_tree;
    LoginDialog *m_loginDialog;
    QMap<QString, QString> m_accountNameCache;
};
