#pragma once

#include "accounts/BrokerServer.h"

#include <QDialog>
#include <QJsonObject>
#include <QPointer>
#include <QUrl>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QNetworkReply;
class QPushButton;
class QTimer;

// "Open demo account": registers a demo account through the chosen server's
// account service, shows its credentials and offers to log in to it.
class OpenDemoDlg : public QDialog
{
    Q_OBJECT
public:
    static constexpr int requestTimeoutMs = 10000;

    explicit OpenDemoDlg(QWidget *parent = nullptr);

    // Resets the form for a new registration on one of these servers.
    void prepareForm(const BrokerServerList &servers);

    void setAccountPort(int port) { m_accountPort = port; }
    int accountPort() const { return m_accountPort; }

    struct Registration
    {
        QString firstName, lastName, email, phone;
        int leverage = 0;
        int amount = 0;
        QString mainPassword, readOnlyPassword;
    };
    // "http://<host of the server address>:<port>/account/create".
    static QUrl createUrl(const QString &serverAddress, int port);
    static QByteArray requestBody(const Registration &registration);
    // Five characters of letters and digits.
    static QString generatePassword();
    static int leverageOf(const QString &choice); // "1:200" -> 200
    static int depositOf(const QString &choice);  // "25000 USD" -> 25000

    QComboBox *serverBox() const { return m_ui.cbServer; }
    QLineEdit *firstNameEdit() const { return m_ui.txtFirstName; }
    QLineEdit *lastNameEdit() const { return m_ui.txtLastName; }
    QLineEdit *emailEdit() const { return m_ui.txtEmail; }
    QLineEdit *phoneEdit() const { return m_ui.txtPhoneNumber; }
    QComboBox *leverageBox() const { return m_ui.cbLeverage; }
    QComboBox *depositBox() const { return m_ui.cbDeposit; }
    QCheckBox *agreeBox() const { return m_ui.chk_Agree; }
    QPushButton *registerButton() const { return m_ui.btnRegister; }
    QLabel *waitLabel() const { return m_ui.txtWait; }
    QFrame *detailsFrame() const { return m_ui.grpDetails; }
    QLabel *loginLabel() const { return m_ui.lblLogin; }
    QLabel *passwordLabel() const { return m_ui.lblPassword; }
    QLabel *readOnlyPasswordLabel() const { return m_ui.lblPassword1; }
    QLabel *serverNameLabel() const { return m_ui.lblServerName; }
    QPushButton *copyButton() const { return m_ui.btnCopy; }
    QPushButton *proceedButton() const { return m_ui.btnLogout; }
    QTimer *requestTimer() const { return m_requestTimer; }
    bool isRequestPending() const { return !m_reply.isNull(); }
    QString copyText() const { return m_copyText; }

signals:
    void relogin(int login, const QString &password, const QString &server);

public slots:
    void on_Register();
    void on_Copy();
    void on_Logout();
    void onfinish(QNetworkReply *rep);
    void requestTimeout();

private:
    struct Form
    {
        QLabel *iconLabel_2 = nullptr;
        QComboBox *cbServer = nullptr;
        QLineEdit *txtFirstName = nullptr;
        QLineEdit *txtLastName = nullptr;
        QLineEdit *txtEmail = nullptr;
        QLineEdit *txtPhoneNumber = nullptr;
        QComboBox *cbLeverage = nullptr;
        QComboBox *cbDeposit = nullptr;
        QCheckBox *chk_Agree = nullptr;
        QPushButton *btnRegister = nullptr;
        QLabel *txtWait = nullptr;
        QFrame *grpDetails = nullptr;
        QLabel *lblLogin = nullptr;
        QLabel *lblPassword = nullptr;
        QLabel *lblPassword1 = nullptr;
        QLabel *lblServerName = nullptr;
        QPushButton *btnCopy = nullptr;
        QPushButton *btnLogout = nullptr;
    };
    void setupForm();
    void refuse(const QString &text);

    Form m_ui;
    Registration m_registration;
    QString m_serverName;
    QString m_serverAddress;
    QString m_answerText;
    QString m_copyText;
    int m_login = 0;
    QString m_mainPassword;
    QString m_readOnlyPassword;
    QTimer *m_requestTimer;
    QPointer<QNetworkReply> m_reply;
    int m_accountPort;
};
