#include "accounts/OpenDemoDlg.h"

#include "BuildConfig.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFormLayout>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPushButton>
#include <QRandomGenerator>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace {
const char *kDemoServer = "Zelvant Demo Server 2";
} // namespace

OpenDemoDlg::OpenDemoDlg(QWidget *parent)
    : QDialog(parent), m_requestTimer(new QTimer(this)), m_accountPort(BuildConfig::accountPort)
{
    setupForm();
    m_requestTimer->setObjectName(QStringLiteral("requestTimer"));
    m_requestTimer->setSingleShot(true);
    m_requestTimer->setInterval(requestTimeoutMs);
    connect(m_requestTimer, &QTimer::timeout, this, &OpenDemoDlg::requestTimeout);
    connect(m_ui.btnRegister, &QPushButton::clicked, this, &OpenDemoDlg::on_Register);
    connect(m_ui.btnCopy, &QPushButton::clicked, this, &OpenDemoDlg::on_Copy);
    connect(m_ui.btnLogout, &QPushButton::clicked, this, &OpenDemoDlg::on_Logout);
    prepareForm({});
}

void OpenDemoDlg::setupForm()
{
    setObjectName(QStringLiteral("OpenDemoDlg"));
    setWindowTitle(tr("Open demo account"));
    const QScreen *screen = QGuiApplication::primaryScreen();
    setFixedSize(500, screen && screen->geometry().width() > 1920 ? 650 : 700);

    auto named = [](QWidget *widget, const char *name) {
        widget->setObjectName(QLatin1String(name));
        return widget;
    };
    m_ui.iconLabel_2 = new QLabel(this);
    named(m_ui.iconLabel_2, "iconLabel_2");
    m_ui.iconLabel_2->setFixedSize(64, 64);
    m_ui.iconLabel_2->setStyleSheet(QStringLiteral("border-image: url(:/icon/zelvant.ico);"));
    auto *title = new QLabel(tr("Create a Demo Account"), this);
    QFont titleFont = title->font();
    titleFont.setPointSize(11);
    title->setFont(titleFont);
    title->setAlignment(Qt::AlignCenter);

    m_ui.cbServer = new QComboBox(this);
    named(m_ui.cbServer, "cbServer");
    m_ui.txtFirstName = new QLineEdit(this);
    named(m_ui.txtFirstName, "txtFirstName");
    m_ui.txtLastName = new QLineEdit(this);
    named(m_ui.txtLastName, "txtLastName");
    m_ui.txtEmail = new QLineEdit(this);
    named(m_ui.txtEmail, "txtEmail");
    m_ui.txtPhoneNumber = new QLineEdit(this);
    named(m_ui.txtPhoneNumber, "txtPhoneNumber");
    m_ui.cbLeverage = new QComboBox(this);
    named(m_ui.cbLeverage, "cbLeverage");
    m_ui.cbLeverage->addItems({"1:100", "1:200", "1:300", "1:400", "1:500"});
    m_ui.cbDeposit = new QComboBox(this);
    named(m_ui.cbDeposit, "cbDeposit");
    m_ui.cbDeposit->addItems({"5000 USD", "10000 USD", "25000 USD", "50000 USD", "100000 USD"});
    m_ui.chk_Agree = new QCheckBox(this);
    named(m_ui.chk_Agree, "chk_Agree");
    auto *agreeText = new QLabel(tr("I accept Terms & Conditions for Opening This Demo Account"), this);
    agreeText->setWordWrap(true);
    m_ui.btnRegister = new QPushButton(tr("Register"), this);
    named(m_ui.btnRegister, "btnRegister");
    m_ui.txtWait = new QLabel(tr("Please waitting while processing..."), this);
    named(m_ui.txtWait, "txtWait");
    m_ui.txtWait->setAlignment(Qt::AlignCenter);

    m_ui.grpDetails = new QFrame(this);
    named(m_ui.grpDetails, "grpDetails");
    m_ui.grpDetails->setFrameShape(QFrame::StyledPanel);
    m_ui.lblLogin = new QLabel(m_ui.grpDetails);
    named(m_ui.lblLogin, "lblLogin");
    m_ui.lblPassword = new QLabel(m_ui.grpDetails);
    named(m_ui.lblPassword, "lblPassword");
    m_ui.lblPassword1 = new QLabel(m_ui.grpDetails);
    named(m_ui.lblPassword1, "lblPassword1");
    m_ui.lblServerName = new QLabel(m_ui.grpDetails);
    named(m_ui.lblServerName, "lblServerName");
    for (QLabel *value : {m_ui.lblLogin, m_ui.lblPassword, m_ui.lblPassword1, m_ui.lblServerName})
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *details = new QFormLayout(m_ui.grpDetails);
    details->addRow(tr("Login:"), m_ui.lblLogin);
    details->addRow(tr("Main Password:"), m_ui.lblPassword);
    details->addRow(tr("Read-Only Password:"), m_ui.lblPassword1);
    details->addRow(tr("ServerName:"), m_ui.lblServerName);
    m_ui.btnCopy = new QPushButton(tr("Copy To Clipboard"), this);
    named(m_ui.btnCopy, "btnCopy");
    m_ui.btnLogout = new QPushButton(tr("Proceed to Login"), this);
    named(m_ui.btnLogout, "btnLogout");

    auto *fields = new QFormLayout;
    fields->addRow(m_ui.cbServer);
    fields->addRow(tr("First Name:"), m_ui.txtFirstName);
    fields->addRow(tr("LastName:"), m_ui.txtLastName);
    fields->addRow(tr("Email:"), m_ui.txtEmail);
    fields->addRow(tr("Phone Number:"), m_ui.txtPhoneNumber);
    fields->addRow(tr("Leverage:"), m_ui.cbLeverage);
    fields->addRow(tr("Deposit:"), m_ui.cbDeposit);
    auto *agree = new QHBoxLayout;
    agree->addWidget(m_ui.chk_Agree);
    agree->addWidget(agreeText, 1);
    fields->addRow(tr("Accept"), agree);

    auto *resultButtons = new QHBoxLayout;
    resultButtons->addWidget(m_ui.btnCopy);
    resultButtons->addWidget(m_ui.btnLogout);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_ui.iconLabel_2, 0, Qt::AlignHCenter);
    layout->addWidget(title);
    layout->addLayout(fields);
    layout->addWidget(m_ui.btnRegister);
    layout->addWidget(m_ui.txtWait);
    layout->addWidget(m_ui.grpDetails);
    layout->addLayout(resultButtons);
    layout->addStretch(1);
}

void OpenDemoDlg::prepareForm(const BrokerServerList &servers)
{
    m_ui.cbServer->clear();
    for (const BrokerServer &server : servers)
        m_ui.cbServer->addItem(server.name, server.address);
    const int demo =
        m_ui.cbServer->findText(QLatin1String(kDemoServer), Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (demo >= 0)
        m_ui.cbServer->setCurrentIndex(demo);
    m_ui.cbDeposit->setCurrentIndex(0);
    m_ui.cbLeverage->setCurrentIndex(0);
    for (QLineEdit *edit : {m_ui.txtFirstName, m_ui.txtLastName, m_ui.txtEmail, m_ui.txtPhoneNumber})
        edit->clear();
    m_ui.chk_Agree->setChecked(false);
    m_ui.grpDetails->hide();
    m_ui.txtWait->hide();
    m_ui.btnCopy->hide();
    m_ui.btnLogout->hide();
    m_ui.btnRegister->show();
}

QUrl OpenDemoDlg::createUrl(const QString &serverAddress, int port)
{
    const QString host = serverAddress.section(QLatin1Char(':'), 0, 0);
    return QUrl(QStringLiteral("http://%1:%2/account/create").arg(host).arg(port));
}

QByteArray OpenDemoDlg::requestBody(const Registration &registration)
{
    QJsonObject body;
    body.insert(QStringLiteral("name"),
                QString(registration.firstName + QLatin1Char(' ') + registration.lastName));
    body.insert(QStringLiteral("email"), registration.email);
    body.insert(QStringLiteral("phone"), registration.phone);
    body.insert(QStringLiteral("leverage"), registration.leverage);
    body.insert(QStringLiteral("master_password"), registration.mainPassword);
    body.insert(QStringLiteral("investor_password"), registration.readOnlyPassword);
    body.insert(QStringLiteral("amount"), registration.amount);
    body.insert(QStringLiteral("group"), QStringLiteral("demo"));
    body.insert(QStringLiteral("manager_login"), 1000);
    return QJsonDocument(body).toJson(QJsonDocument::Compact);
}

QString OpenDemoDlg::generatePassword()
{
    static const QString alphabet =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789");
    QString password;
    for (int i = 0; i < 5; ++i)
        password.append(alphabet.at(int(QRandomGenerator::global()->generate() % 62)));
    return password;
}

int OpenDemoDlg::leverageOf(const QString &choice)
{
    return choice.section(QLatin1Char(':'), 1).toInt();
}

int OpenDemoDlg::depositOf(const QString &choice)
{
    QString amount = choice;
    return amount.remove(QStringLiteral("USD")).simplified().toInt();
}

void OpenDemoDlg::refuse(const QString &text)
{
    QMessageBox::critical(nullptr, tr("Demo Account"), text);
}

void OpenDemoDlg::on_Register()
{
    if (!m_reply.isNull())
        return;
    if (m_ui.cbServer->currentIndex() < 0)
        return refuse(tr("Server is not available"));
    if (m_ui.cbDeposit->currentIndex() < 0)
        return refuse(tr("Deposit is not available"));
    if (m_ui.cbLeverage->currentIndex() < 0)
        return refuse(tr("Leverage is not available"));
    if (!m_ui.chk_Agree->isChecked())
        return refuse(tr("Please check accept button"));
    if (m_ui.txtFirstName->text().simplified().isEmpty())
        return refuse(tr("Please input first name correctly"));
    if (m_ui.txtLastName->text().simplified().isEmpty())
        return refuse(tr("Please input last name correctly"));
    if (m_ui.txtEmail->text().simplified().isEmpty())
        return refuse(tr("Please input email correctly"));
    if (m_ui.txtPhoneNumber->text().simplified().isEmpty())
        return refuse(tr("Please input phone number correctly"));

    m_registration.firstName = m_ui.txtFirstName->text();
    m_registration.lastName = m_ui.txtLastName->text();
    m_registration.email = m_ui.txtEmail->text();
    m_registration.phone = m_ui.txtPhoneNumber->text();
    m_registration.leverage = leverageOf(m_ui.cbLeverage->currentText());
    m_registration.amount = depositOf(m_ui.cbDeposit->currentText());
    m_serverName = m_ui.cbServer->currentText();
    m_serverAddress = m_ui.cbServer->currentData().toString();
    m_registration.mainPassword = generatePassword();
    m_registration.readOnlyPassword = generatePassword();

    m_ui.txtWait->setText(tr("Please waitting while processing..."));
    m_ui.txtWait->show();
    m_ui.btnRegister->hide();

    auto *manager = new QNetworkAccessManager(this);
    connect(manager, &QNetworkAccessManager::finished, this, &OpenDemoDlg::onfinish);
    connect(manager, &QNetworkAccessManager::finished, manager, &QObject::deleteLater);
    QNetworkRequest request(createUrl(m_serverAddress, m_accountPort));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    m_requestTimer->start();
    m_reply = manager->post(request, requestBody(m_registration));
}

void OpenDemoDlg::onfinish(QNetworkReply *rep)
{
    rep->deleteLater();
    if (rep != m_reply.data())
        return; // abandoned after a time-out
    m_reply.clear();
    m_requestTimer->stop();
    m_answerText = QString::fromUtf8(rep->readAll());
    if (rep->error() != QNetworkReply::NoError) {
        m_ui.txtWait->setText(tr("Can not create demo account!"));
        return;
    }
    m_ui.txtWait->hide();
    m_ui.btnCopy->show();
    m_ui.btnLogout->show();
    m_ui.grpDetails->show();

    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(m_answerText.toUtf8(), &error);
    if (error.error == QJsonParseError::NoError && !document.isObject())
        return;
    const QJsonObject answer = document.object();
    m_login = answer.value(QLatin1String("login")).toInt();
    m_mainPassword = answer.value(QLatin1String("master_password")).toString();
    m_readOnlyPassword = answer.value(QLatin1String("investor_password")).toString();
    m_ui.lblLogin->setText(QString::number(m_login));
    m_ui.lblPassword->setText(m_mainPassword);
    m_ui.lblPassword1->setText(m_readOnlyPassword);
    m_ui.lblServerName->setText(m_serverName);
    m_copyText = QStringLiteral("{Login: %1, Main Password: %2, Investor Password: %3}")
                     .arg(m_login)
                     .arg(m_mainPassword, m_readOnlyPassword);
}

void OpenDemoDlg::requestTimeout()
{
    m_requestTimer->stop();
    if (QNetworkReply *reply = m_reply.data()) {
        m_reply.clear();
        reply->abort();
    }
    m_ui.txtWait->clear();
    m_ui.btnRegister->show();
    QMessageBox::critical(nullptr, tr("Demo Account"), tr("No connection with Server"));
}

void OpenDemoDlg::on_Copy()
{
    if (QClipboard *clipboard = QGuiApplication::clipboard())
        clipboard->setText(m_copyText);
}

void OpenDemoDlg::on_Logout()
{
    if (m_ui.cbServer->findText(m_serverName, Qt::MatchExactly | Qt::MatchCaseSensitive) >= 0)
        emit relogin(m_login, m_mainPassword, m_serverName);
}
