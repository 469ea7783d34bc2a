#include "net/SymbolSetting.h"

#include "net/JsonRead.h"

using namespace JsonRead;

SymbolSetting::SymbolSetting(const QJsonObject &json)
    : symbol(toText(json, QLatin1String("symbol"))), desc(toText(json, QLatin1String("desc"))),
      digits(toInt(json, QLatin1String("digits"))), min_vol(toInt64(json, QLatin1String("min_vol"))),
      max_vol(toInt64(json, QLatin1String("max_vol"))), step_vol(toInt64(json, QLatin1String("step_vol"))),
      c_size(toDouble(json, QLatin1String("c_size"))), path(toText(json, QLatin1String("path")))
{
}
