#pragma once

#include <QJsonObject>
#include <QMetaType>
#include <QString>

// One pending order; type is the order type code 2-7. Volume in lots.
class PendingOrder
{
public:
    PendingOrder() = default;
    explicit PendingOrder(const QJsonObject &json);

    qint64 login = 0;
    qint64 ticket = 0;
    QString symbol;
    int type = 0;
    double volume = 0.0;
    double price = 0.0;
    double s_price = 0.0;
    double sl = 0.0;
    double tp = 0.0;
    qint64 time = 0;
    int digits = 0;
};

Q_DECLARE_METATYPE(PendingOrder)
