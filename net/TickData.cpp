#include "net/TickData.h"

#include "net/JsonRead.h"

using namespace JsonRead;

TickData::TickData(const QJsonObject &json)
    : symbol(toText(json, QLatin1String("symbol"))), timestamp(toInt64(json, QLatin1String("timestamp"))),
      server_time(toInt64(json, QLatin1String("server_time"))), bid(toDouble(json, QLatin1String("bid"))),
      ask(toDouble(json, QLatin1String("ask"))), volume(lotsFromUnits(json, QLatin1String("volume"))),
      tm_ms(toInt64(json, QLatin1String("tm_ms"))), digits(toInt(json, QLatin1String("digits"))),
      min_vol(lotsFromUnits(json, QLatin1String("min_vol"))),
      max_vol(lotsFromUnits(json, QLatin1String("max_vol"))),
      step_vol(lotsFromUnits(json, QLatin1String("step_vol"))),
      bid_high(toDouble(json, QLatin1String("bid_high"))), bid_low(toDouble(json, QLatin1String("bid_low"))),
      ask_high(toDouble(json, QLatin1String("ask_high"))), ask_low(toDouble(json, QLatin1String("ask_low")))
{
}
