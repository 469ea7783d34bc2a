#include "net/Position.h"

#include "net/JsonRead.h"

using namespace JsonRead;

Position::Position(const QJsonObject &json)
    : login(toInt64(json, QLatin1String("login"))), ticket(toInt64(json, QLatin1String("ticket"))),
      symbol(toText(json, QLatin1String("symbol"))), type(toText(json, QLatin1String("type"))),
      volume(lotsFromUnits(json, QLatin1String("volume"))), price_c(toDouble(json, QLatin1String("price_c"))),
      sl(toDouble(json, QLatin1String("sl"))), tp(toDouble(json, QLatin1String("tp"))),
      profit(toDouble(json, QLatin1String("profit"))), csize(toDouble(json, QLatin1String("csize"))),
      time(toInt64(json, QLatin1String("time"))), time_c(toInt64(json, QLatin1String("time_c"))),
      r_profit(toDouble(json, QLatin1String("r_profit"))), swap(toDouble(json, QLatin1String("swap"))),
      fee(toDouble(json, QLatin1String("fee"))), digits(toInt(json, QLatin1String("digits")))
{
    // "price_o" overrides "price" when both are sent.
    if (json.contains(QLatin1String("price")))
        price = toDouble(json, QLatin1String("price"));
    if (json.contains(QLatin1String("price_o")))
        price = toDouble(json, QLatin1String("price_o"));
}

bool Position::sameAs(const Position &o) const
{
    return login == o.login && ticket == o.ticket && symbol == o.symbol && type == o.type &&
           volume == o.volume && price == o.price && price_c == o.price_c && sl == o.sl && tp == o.tp &&
           csize == o.csize && time == o.time && time_c == o.time_c && r_profit == o.r_profit &&
           swap == o.swap && fee == o.fee && digits == o.digits;
}
