#pragma once

#include <QString>

// One --account option: an account created or updated at start.
struct AccountSeed
{
    qint64 login = 0;
    QString masterPassword;
    QString investorPassword;
    QString group; // empty: "demo"
};
