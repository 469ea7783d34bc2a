#include "accounts/ChangePasswordDlg.h"

#include "BuildConfig.h"
#include "net/TradeClient.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPushButton>
#include <QTimer>

ChangePasswordDlg::ChangePasswordDlg(TradeClient *tradeClient, QWidget *parent)
    : QDialog(parent), m_tradeClient(tradeClient), m_requestTimer(new QTimer(this)),
      m_accountPort(BuildConfig::accountPort)
{
    setupForm();
    m_requestTimer->setObjectName(QStringLiteral("requestTimer"));
    m_requestTimer->setSingleShot(true);
    m_requestTimer->setInterval(requestTimeoutMs);
    connect(m_requestTimer, &QTimer::timeout, this, &ChangePasswordDlg::requestTimeout);
    connect(m_ui.btnOK, &QPushButton::clicked, this, &ChangePasswordDlg::onOK);
    connect(m_ui.btnCancel, &QPushButton::clicked, this, &ChangePasswordDlg::onCancel);
}

void ChangePasswordDlg::setupForm()
{
    setObjectName(QStringLiteral("ChangePasswordDlg"));
    setWindowTitle(tr("Change Password"));
    setFixedSize(356, 200);

    m_ui.cmbPasswordType = new QComboBox(this);
    m_ui.cmbPasswordType->setObjectName(QStringLiteral("cmbPasswordType"));
    m_ui.cmbPasswordType->addItems({tr("Main Password"), tr("Read-Only Password")});
    m_ui.cmbPasswordType->setCurrentIndex(0);
    auto makeEdit = [this](const char *name) {
        auto *edit = new QLineEdit(this);
        edit->setObjectName(QLatin1String(name));
        return edit;
    };
    m_ui.txtMain = makeEdit("txtMain");
    m_ui.txtNew1 = makeEdit("txtNew1");
    m_ui.txtNew2 = makeEdit("txtNew2");
    m_ui.btnOK = new QPushButton(tr("OK"), this);
    m_ui.btnOK->setObjectName(QStringLiteral("btnOK"));
    m_ui.btnOK->setDefault(true);
    m_ui.btnCancel = new QPushButton(tr("Cancel"), this);
    m_ui.btnCancel->setObjectName(QStringLiteral("btnCancel"));

    auto *form = new QFormLayout(this);
    form->addRow(m_ui.cmbPasswordType);
    form->addRow(tr("Main Password:"), m_ui.txtMain);
    form->addRow(tr("New Password:"), m_ui.txtNew1);
    form->addRow(tr("Confirm Password:"), m_ui.txtNew2);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_ui.btnOK);
    buttons->addWidget(m_ui.btnCancel);
    form->addRow(buttons);
}

void ChangePasswordDlg::clearFields()
{
    m_ui.txtMain->clear();
    m_ui.txtNew1->clear();
    m_ui.txtNew2->clear();
}

QUrl ChangePasswordDlg::updateUrl(const QString &tradeServerUrl, int port)
{
    QString host = tradeServerUrl;
    host.remove(QStringLiteral("ws://"));
    host = host.section(QLatin1Char(':'), 0, 0);
    return QUrl(QStringLiteral("http://%1:%2/account/update").arg(host).arg(port));
}

QByteArray ChangePasswordDlg::requestBody(bool mainPassword, const QString &newPassword, qint64 login)
{
    QJsonObject body;
    body.insert(mainPassword ? QStringLiteral("master_password") : QStringLiteral("investor_password"),
                newPassword);
    body.insert(QStringLiteral("dealer"), login);
    body.insert(QStringLiteral("manager_login"), 1000);
    return QJsonDocument(body).toJson(QJsonDocument::Indented);
}

void ChangePasswordDlg::box(bool critical, const QString &title, const QString &text)
{
    if (critical)
        QMessageBox::critical(nullptr, title, text);
    else
        QMessageBox::information(nullptr, title, text);
}

void ChangePasswordDlg::onOK()
{
    if (!m_reply.isNull())
        return;
    const QString current = m_ui.txtMain->text();
    const QString newPassword = m_ui.txtNew1->text();
    const QString confirmation = m_ui.txtNew2->text();
    const bool mainPassword = m_ui.cmbPasswordType->currentIndex() == 0;
    if (current != m_tradeClient->password()) {
        box(true, tr("Change Password"), tr("Main password is not correct!"));
        return;
    }
    if (newPassword != confirmation) {
        box(true, tr("Change Password"), tr("New password does not match!"));
        return;
    }
    if (newPassword.isEmpty()) {
        box(true, tr("Change Password"), tr("New password can not be empty!"));
        return;
    }

    // Each manager serves one request.
    auto *manager = new QNetworkAccessManager(this);
    connect(manager, &QNetworkAccessManager::finished, this, &ChangePasswordDlg::onfinish);
    connect(manager, &QNetworkAccessManager::finished, manager, &QObject::deleteLater);
    QNetworkRequest request(updateUrl(m_tradeClient->url().toString(), m_accountPort));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    m_sentMain = mainPassword;
    m_sentPassword = newPassword;
    m_requestTimer->start();
    m_ui.btnOK->setEnabled(false);
    m_reply = manager->post(request, requestBody(mainPassword, newPassword, qint64(m_tradeClient->login())));
}

void ChangePasswordDlg::onCancel()
{
    hide();
}

void ChangePasswordDlg::requestTimeout()
{
    m_requestTimer->stop();
    if (QNetworkReply *reply = m_reply.data()) {
        m_reply.clear();
        reply->abort();
    }
    m_ui.btnOK->setEnabled(true);
    box(true, tr("Demo Account"), tr("Server is not unreachable"));
}

void ChangePasswordDlg::onfinish(QNetworkReply *rep)
{
    rep->deleteLater();
    if (rep != m_reply.data())
        return; // abandoned after a time-out
    m_reply.clear();
    m_requestTimer->stop();
    m_ui.btnOK->setEnabled(true);
    if (rep->error() != QNetworkReply::NoError) {
        box(true, tr("Change Password"), tr("Error occured!"));
        return;
    }
    // Before the box: what remembers the password must not wait on the user.
    emit passwordChanged(m_sentMain, m_sentPassword);
    m_sentPassword.clear();
    box(false, tr("Change Password"), tr("Password changed successfully!"));
    m_ui.txtMain->clear();
}
