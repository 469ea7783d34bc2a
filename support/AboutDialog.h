#pragma once

#include <QDialog>

class QCloseEvent;
class QFrame;
class QLabel;
class QPushButton;

// "About": the broker, the program's version and build date, the broker's web
// site and the store pages of the mobile apps.
class AboutDialog : public QDialog
{
    Q_OBJECT
public:
    explicit AboutDialog(QWidget *parent = nullptr);

    static QString websiteAddress();
    static QString iosStoreAddress();
    static QString androidStoreAddress();

protected:
    void closeEvent(QCloseEvent *event) override;

private slots:
    void on_iosButton_clicked();
    void on_androidButton_clicked();

private:
    void setupForm();
    void adaptToScreen();

    QLabel *m_titleLabel = nullptr;
    QLabel *m_logoLabel = nullptr;
    QLabel *m_versionLabel = nullptr;
    QLabel *m_buildDateLabel = nullptr;
    QFrame *m_line = nullptr;
    QLabel *m_infoLabel = nullptr;
    QLabel *m_websiteLabel = nullptr;
    QPushButton *m_iosButton = nullptr;
    QPushButton *m_androidButton = nullptr;
};
