#include "net/PendingOrder.h"

#include "net/JsonRead.h"

using namespace JsonRead;

PendingOrder::PendingOrder(const QJsonObject &json)
    : login(toInt64(json, QLatin1String("login"))), ticket(toInt64(json, QLatin1String("ticket"))),
      symbol(toText(json, QLatin1String("symbol"))), type(toInt(json, QLatin1String("type"))),
      volume(lotsFromUnits(json, QLatin1String("volume"))), price(toDouble(json, QLatin1String("price"))),
      s_price(toDouble(json, QLatin1String("s_price"))), sl(toDouble(json, QLatin1String("sl"))),
      tp(toDouble(json, QLatin1String("tp"))), time(toInt64(json, QLatin1String("time"))),
      digits(toInt(json, QLatin1String("digits")))
{
}
