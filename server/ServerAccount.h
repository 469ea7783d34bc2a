#pragma once

#include <QString>

// One trading account as the server keeps it.
struct ServerAccount
{
    qint64 login = 0;
    QString name;
    QString group;
    QString masterPassword;
    QString investorPassword;
    double balance = 0.0;
    double credit = 0.0;
    int leverage = 100;
    QString currency = QStringLiteral("USD");
    bool disabled = false;
    QString email;
    QString phone;
    qint64 created = 0;
};
