#include "app/AccountTreePanel.h"

#include "accounts/LoginDialog.h"
#include "accounts/SavedAccountsFile.h"

#include <QHeaderView>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QTreeWidget>

AccountTreePanel::AccountTreePanel(QTreeWidget *tree, LoginDialog *loginDialog, QObject *parent)
    : QObject(parent), m_tree(tree), m_loginDialog(loginDialog)
{
    m_tree->setColumnCount(1);
    m_tree->setHeaderLabels({tr("Logins")});
    m_tree->setContextMenuPolicy(Qt::CustomContextMenu);
    // Connected once for the life of the panel, however often the tree is rebuilt.
    connect(m_tree, &QTreeWidget::customContextMenuRequested, this, &AccountTreePanel::showContextMenu);
    connect(m_tree, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem *item, int) { onItemDoubleClicked(item); });
}

QImage AccountTreePanel::statusIcon()
{
    QImage image(12, 12, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setBrush(QColor(0x00, 0xff, 0x00));
    painter.drawEllipse(QRect(QPoint(3, 3), QPoint(9, 9)));
    return image;
}

bool AccountTreePanel::parseLoginItem(const QTreeWidgetItem *item, QString *server, qint64 *login)
{
    if (!item || !item->parent())
        return false;
    const QStringList parts = item->text(0).split(QStringLiteral(" - "));
    if (parts.size() != 2)
        return false;
    bool ok = false;
    const qint64 number = parts[0].toLongLong(&ok, 10);
    if (!ok)
        return false;
    *server = item->parent()->text(0);
    *login = number;
    return true;
}

void AccountTreePanel::loadAccountTree(const QString &accountName)
{
    m_loginDialog->reload();
    m_tree->clear();
    m_tree->setColumnCount(1);
    m_tree->setHeaderLabels({tr("Logins")});

    const QMap<QString, QString> names = SavedAccountsFile().namesByIdentity();
    for (auto it = names.cbegin(); it != names.cend(); ++it)
        m_accountNameCache.insert(it.key(), it.value());

    const qint64 currentLogin = m_loginDialog->currentLogin();
    const QString currentServer = m_loginDialog->serverNameText();
    const QIcon onlineIcon(QPixmap::fromImage(statusIcon()));
    for (const SavedAccount &account : m_loginDialog->savedAccountList()) {
        QTreeWidgetItem *serverItem = nullptr;
        for (int i = 0; i < m_tree->topLevelItemCount(); ++i) {
            if (m_tree->topLevelItem(i)->text(0) == account.serverName) {
                serverItem = m_tree->topLevelItem(i);
                break;
            }
        }
        if (!serverItem)
            serverItem = new QTreeWidgetItem(m_tree, {account.serverName});
        const QString identity =
            SavedAccountsFile::identity(QString::number(account.login), account.serverName);
        const bool current = account.login == currentLogin && account.serverName == currentServer;
        QString name = m_accountNameCache.value(identity);
        if (name.isEmpty() && current && !accountName.isEmpty()) {
            name = accountName;
            m_accountNameCache.insert(identity, name);
        }
        auto *item =
            new QTreeWidgetItem(serverItem, {QStringLiteral("%1 - %2").arg(account.login).arg(name)});
        item->setData(0, Qt::UserRole, account.serverName);
        if (current) {
            item->setIcon(0, onlineIcon);
        } else {
            QFont font = item->font(0);
            font.setWeight(QFont::Normal);
            item->setFont(0, font);
            item->setForeground(0, QColor(0xc0, 0xc0, 0xc0));
        }
    }
    m_tree->expandAll();
}

void AccountTreePanel::onItemDoubleClicked(QTreeWidgetItem *item)
{
    QString server;
    qint64 login = 0;
    if (parseLoginItem(item, &server, &login))
        emit switchRequested(server, login);
}

void AccountTreePanel::showContextMenu(const QPoint &pos)
{
    QTreeWidgetItem *item = m_tree->itemAt(pos);
    QMenu menu(m_tree);
    QAction *deleteAction = menu.addAction(tr("Delete"));
    if (menu.exec(m_tree->viewport()->mapToGlobal(pos)) == deleteAction && item)
        deleteSavedAccount(item);
}

void AccountTreePanel::deleteSavedAccount(QTreeWidgetItem *item)
{
    QString server;
    qint64 login = 0;
    if (!parseLoginItem(item, &server, &login))
        return;
    const auto answer = QMessageBox::question(m_tree, tr("Delete Account"),
                                              tr("Are you sure you want to delete this account?"),
                                              QMessageBox::Yes | QMessageBox::No);
    if (answer != QMessageBox::Yes)
        return;
    if (m_loginDialog->removeSavedAccount(server, login)) {
        m_accountNameCache.remove(SavedAccountsFile::identity(QString::number(login), server));
        delete item;
    }
}
