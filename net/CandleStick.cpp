#include "net/CandleStick.h"

#include "net/JsonRead.h"

using namespace JsonRead;

CandleStick::CandleStick(const QJsonObject &json)
    : timestamp(toInt64(json, QLatin1String("datetime"))), open(toDouble(json, QLatin1String("open"))),
      high(toDouble(json, QLatin1String("high"))), low(toDouble(json, QLatin1String("low"))),
      close(toDouble(json, QLatin1String("close")))
{
}
