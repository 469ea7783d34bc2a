#include "accounts/LoginDialog.h"

#include "accounts/LoginFile.h"
#include "accounts/SavedAccountsFile.h"
#include "accounts/ShownSymbolsFile.h"
#include "data/AccountPaths.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDebug>
#include <QDialogButtonBox>
#include <QDir>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QJsonArray>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

namespace {
// A remembered login's server name travels with its login box entry.
constexpr int serverNameRole = Qt::UserRole;
constexpr int addressRole = Qt::UserRole;

qint64 loginNumber(const QString &text)
{
    bool ok = false;
    const qint64 login = text.trimmed().toLongLong(&ok, 10);
    return ok ? login : 0;
}
} // namespace

LoginDialog::LoginDialog(QWidget *parent) : QDialog(parent)
{
    setupForm();
    reload();
    fillRememberedLogins();

    setWindowTitle(tr("Trade account login"));
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen || screen->geometry().width() <= 1920)
        setFixedSize(500, 300);
    else
        setFixedSize(600, 500);
}

void LoginDialog::setupForm()
{
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto *header = new QFrame(this);
    header->setObjectName(QStringLiteral("headerFrame"));
    header->setFrameShape(QFrame::StyledPanel);
    header->setAutoFillBackground(true);
    header->setBackgroundRole(QPalette::Base);
    m_form.pictureLabel = new QLabel(header);
    m_form.pictureLabel->setObjectName(QStringLiteral("pictureLabel"));
    m_form.pictureLabel->setPixmap(QIcon(QStringLiteral(":/icon/user.ico")).pixmap(48, 48));
    m_form.pictureLabel->setFixedSize(48, 48);
    m_form.pictureLabel->setScaledContents(true);
    m_form.headerLabel = new QLabel(tr("Authorization allows to get access to the trade account"), header);
    m_form.headerLabel->setObjectName(QStringLiteral("headerLabel"));
    QFont headerFont = m_form.headerLabel->font();
    headerFont.setPointSize(10);
    m_form.headerLabel->setFont(headerFont);
    m_form.headerLabel->setWordWrap(true);
    auto *headerLayout = new QHBoxLayout(header);
    headerLayout->setContentsMargins(12, 8, 12, 8);
    headerLayout->setSpacing(12);
    headerLayout->addWidget(m_form.pictureLabel);
    headerLayout->addWidget(m_form.headerLabel, 1);

    m_form.loginBox = new QComboBox(this);
    m_form.loginBox->setObjectName(QStringLiteral("loginBox"));
    m_form.loginBox->setEditable(true);
    // The remembered logins come from the ACCOUNTS file only; a typed number is not one.
    m_form.loginBox->setInsertPolicy(QComboBox::NoInsert);
    m_form.passwordLineEdit = new QLineEdit(this);
    m_form.passwordLineEdit->setObjectName(QStringLiteral("passwordLineEdit"));
    m_form.passwordLineEdit->setEchoMode(QLineEdit::Password);
    m_form.saveCheckBox = new QCheckBox(tr("Save Password"), this);
    m_form.saveCheckBox->setObjectName(QStringLiteral("saveCheckBox"));
    m_form.saveCheckBox->setChecked(true);
    m_form.serverBox = new QComboBox(this);
    m_form.serverBox->setObjectName(QStringLiteral("serverBox"));
    m_form.serverBox->setEditable(false);

    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(8);
    grid->addWidget(new QLabel(tr("Login:"), this), 0, 0);
    grid->addWidget(m_form.loginBox, 0, 1);
    grid->addWidget(new QLabel(tr("Password:"), this), 1, 0);
    grid->addWidget(m_form.passwordLineEdit, 1, 1);
    grid->addWidget(m_form.saveCheckBox, 1, 2);
    grid->addWidget(new QLabel(tr("Server:"), this), 2, 0);
    grid->addWidget(m_form.serverBox, 2, 1, 1, 2);
    grid->setColumnStretch(1, 1);

    m_form.buttonBox = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_form.buttonBox->setObjectName(QStringLiteral("buttonBox"));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 10);
    layout->addWidget(header);
    auto *body = new QVBoxLayout;
    body->setContentsMargins(16, 8, 16, 0);
    body->addLayout(grid);
    body->addStretch(1);
    body->addWidget(m_form.buttonBox, 0, Qt::AlignRight);
    layout->addLayout(body, 1);

    connect(m_form.buttonBox, &QDialogButtonBox::accepted, this, &LoginDialog::onOk);
    connect(m_form.buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
    QMetaObject::connectSlotsByName(this);
}

void LoginDialog::fillRememberedLogins()
{
    const QJsonArray accounts = SavedAccountsFile().read();
    for (const QJsonValue &value : accounts) {
        const QJsonObject element = value.toObject();
        m_form.loginBox->addItem(element.value(QLatin1String("account")).toString(),
                                 element.value(QLatin1String("server_name")).toString());
    }
    if (accounts.isEmpty())
        return;

    // The last remembered login is offered first, with its password when one was saved.
    const QJsonObject last = accounts.last().toObject();
    const QString login = last.value(QLatin1String("account")).toString();
    QString password = last.value(QLatin1String("master_password")).toString();
    if (password.isEmpty())
        password = last.value(QLatin1String("investor_password")).toString();
    if (login.isEmpty() || password.isEmpty())
        return;
    m_form.loginBox->setCurrentIndex(m_form.loginBox->count() - 1);
    m_form.passwordLineEdit->setText(password);
    const int server = m_form.serverBox->findData(last.value(QLatin1String("server")).toString(), addressRole,
                                                  Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (server >= 0)
        m_form.serverBox->setCurrentIndex(server);
}

qint64 LoginDialog::currentLogin() const
{
    return loginNumber(m_form.loginBox->currentText());
}

void LoginDialog::setLogin(qint64 login)
{
    m_form.loginBox->setEditText(QString::number(login));
}

QString LoginDialog::password() const
{
    return m_form.passwordLineEdit->text();
}

void LoginDialog::setPassword(const QString &text)
{
    m_form.passwordLineEdit->setText(text);
}

QString LoginDialog::serverNameText() const
{
    return m_form.serverBox->currentText();
}

void LoginDialog::setServerName(const QString &name)
{
    m_serverName = name;
    m_accountServer = name;
    m_keptServer = name;
    const int index = m_form.serverBox->findText(name, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index >= 0)
        m_form.serverBox->setCurrentIndex(index);
}

QString LoginDialog::serverAddressText() const
{
    const QString address = m_form.serverBox->currentData(addressRole).toString();
    if (address.isEmpty() && !m_serverAddress.isEmpty())
        return m_serverAddress;
    return address;
}

void LoginDialog::setServerAddress(const QString &address)
{
    m_serverAddress = address;
    const int index =
        m_form.serverBox->findData(address, addressRole, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index >= 0) {
        m_form.serverBox->setCurrentIndex(index);
        m_keptServer = m_form.serverBox->itemText(index);
    }
}

void LoginDialog::addServer(const QString &name, const QString &address)
{
    m_form.serverBox->addItem(name, address);
    // The directory is refreshed every few seconds; a server picked before stays picked.
    if (!m_keptServer.isEmpty()) {
        const int kept = m_form.serverBox->findText(m_keptServer, Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (kept >= 0) {
            m_form.serverBox->setCurrentIndex(kept);
            return;
        }
    }
    const SavedAccount *account = chosenAccount();
    if (!account)
        return;
    int index = m_form.serverBox->findText(account->serverName, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index < 0)
        // The broker names its demo server with varying capitals; any spelling of the name counts.
        index = m_form.serverBox->findText(fallbackServerName(), Qt::MatchFixedString);
    m_form.serverBox->setCurrentIndex(index);
}

void LoginDialog::clearServers()
{
    const QString current = m_form.serverBox->currentText();
    if (!current.isEmpty())
        m_keptServer = current;
    m_form.serverBox->clear();
}

bool LoginDialog::isSavePassword() const
{
    return m_form.saveCheckBox->isChecked();
}

void LoginDialog::reload()
{
    m_savedAccounts.clear();
    const QDir config(AccountPaths::configFolder());
    const QDir::Filters filters = QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden;
    const QDir::SortFlags order = QDir::Name | QDir::IgnoreCase;
    for (const QString &server : config.entryList(filters, order)) {
        const QDir serverDir(config.filePath(server));
        for (const QString &folder : serverDir.entryList(filters, order)) {
            const qint64 login = loginNumber(folder);
            // Only the folder names this program writes: a number it can form again.
            if (login == 0 || QString::number(login) != folder)
                continue;
            const std::optional<LoginFile::Content> content = LoginFile::read(serverDir.filePath(folder));
            if (!content)
                continue;
            m_savedAccounts.append({login, content->password, server, content->serverAddress});
        }
    }
}

bool LoginDialog::removeSavedAccount(const QString &serverName, qint64 login)
{
    const auto matches = [&](const SavedAccount &a) {
        return a.login == login && a.serverName == serverName;
    };
    const int before = m_savedAccounts.size();
    m_savedAccounts.erase(std::remove_if(m_savedAccounts.begin(), m_savedAccounts.end(), matches),
                          m_savedAccounts.end());
    if (m_savedAccounts.size() == before)
        return false;
    if (AccountPaths::checkSegment(serverName, "server")) {
        QDir folder(AccountPaths::configFolder() + QLatin1Char('/') + serverName + QLatin1Char('/') +
                    QString::number(login));
        if (folder.exists() && !folder.removeRecursively())
            qWarning() << "Could not remove the account folder" << folder.path() << "completely";
    }
    reload();
    // A folder that could not be removed shows up again: then the account is not forgotten.
    return !findSavedAccount(login, serverName);
}

QString LoginDialog::accountFolder() const
{
    const QString server = serverNameText();
    if (server.isEmpty() || !AccountPaths::checkSegment(server, "server"))
        return QString();
    return AccountPaths::configFolder() + QLatin1Char('/') + server + QLatin1Char('/') +
           QString::number(currentLogin());
}

QStringList LoginDialog::readShownSymbols() const
{
    return ShownSymbolsFile::read(accountFolder());
}

void LoginDialog::writeShownSymbols(const QStringList &list)
{
    const QString folder = accountFolder();
    if (!folder.isEmpty())
        ShownSymbolsFile::write(folder, list);
}

void LoginDialog::onOk()
{
    if (m_form.loginBox->currentText().isEmpty() || password().isEmpty() || serverNameText().isEmpty())
        return;
    accept();
}

void LoginDialog::on_loginBox_currentIndexChanged(int index)
{
    if (index < 0 || index >= m_form.loginBox->count())
        return;
    const qint64 login = loginNumber(m_form.loginBox->itemText(index));
    const QString server = m_form.loginBox->itemData(index, serverNameRole).toString();
    m_accountServer = server;
    m_keptServer = server;
    // Entries are matched by login and server, never by position: the login box
    // follows the ACCOUNTS file, the saved accounts the folders.
    if (const SavedAccount *account = findSavedAccount(login, server)) {
        setPassword(account->password);
        selectServerByName(account->serverName);
    } else {
        // Never leave another account's password in the box.
        m_form.passwordLineEdit->clear();
        selectServerByName(server);
    }
}

void LoginDialog::on_serverBox_activated(int index)
{
    m_keptServer = m_form.serverBox->itemText(index);
}

void LoginDialog::selectServerByName(const QString &name)
{
    m_form.serverBox->setCurrentIndex(
        m_form.serverBox->findText(name, Qt::MatchExactly | Qt::MatchCaseSensitive));
}

const SavedAccount *LoginDialog::findSavedAccount(qint64 login, const QString &serverName) const
{
    for (const SavedAccount &account : m_savedAccounts) {
        if (account.login == login && account.serverName == serverName)
            return &account;
    }
    return nullptr;
}

const SavedAccount *LoginDialog::chosenAccount() const
{
    const qint64 login = currentLogin();
    if (login == 0)
        return nullptr;
    if (!m_accountServer.isEmpty())
        return findSavedAccount(login, m_accountServer);
    // A typed login with no server named yet: the first saved account with that number.
    for (const SavedAccount &account : m_savedAccounts) {
        if (account.login == login)
            return &account;
    }
    return nullptr;
}
