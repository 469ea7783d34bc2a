#pragma once

#include <QDialog>
#include <QPointer>
#include <QUrl>

class QComboBox;
class QLineEdit;
class QNetworkReply;
class QPushButton;
class QTimer;
class TradeClient;

// "Change Password": the main or read-only password of the logged-in account,
// through the account service of the trade server's host.
class ChangePasswordDlg : public QDialog
{
    Q_OBJECT
public:
    static constexpr int requestTimeoutMs = 10000;

    explicit ChangePasswordDlg(TradeClient *tradeClient, QWidget *parent = nullptr);

    void clearFields();

    // The account service's port; the broker's is fixed, tests use their own.
    void setAccountPort(int port) { m_accountPort = port; }
    int accountPort() const { return m_accountPort; }

    // "http://<host of the trade server>:<port>/account/update".
    static QUrl updateUrl(const QString &tradeServerUrl, int port);
    static QByteArray requestBody(bool mainPassword, const QString &newPassword, qint64 login);

    QComboBox *passwordTypeBox() const { return m_ui.cmbPasswordType; }
    QLineEdit *mainPasswordEdit() const { return m_ui.txtMain; }
    QLineEdit *newPasswordEdit() const { return m_ui.txtNew1; }
    QLineEdit *confirmPasswordEdit() const { return m_ui.txtNew2; }
    QPushButton *okButton() const { return m_ui.btnOK; }
    QPushButton *cancelButton() const { return m_ui.btnCancel; }
    QTimer *requestTimer() const { return m_requestTimer; }
    bool isRequestPending() const { return !m_reply.isNull(); }

signals:
    // The server has accepted the new main (or read-only) password.
    void passwordChanged(bool mainPassword, const QString &newPassword);

public slots:
    void onOK();
    void onCancel();
    void requestTimeout();
    void onfinish(QNetworkReply *rep);

private:
    struct Form
    {
        QComboBox *cmbPasswordType = nullptr;
        QLineEdit *txtMain = nullptr;
        QLineEdit *txtNew1 = nullptr;
        QLineEdit *txtNew2 = nullptr;
        QPushButton *btnOK = nullptr;
        QPushButton *btnCancel = nullptr;
    };
    void setupForm();
    void box(bool critical, const QString &title, const QString &text);

    Form m_ui;
    TradeClient *m_tradeClient;
    QTimer *m_requestTimer;
    QPointer<QNetworkReply> m_reply;
    int m_accountPort;
    bool m_sentMain = true;
    QString m_sentPassword;
};
