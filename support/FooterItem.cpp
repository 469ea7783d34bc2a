#include "support/FooterItem.h"

bool FooterItem::operator<(const QTableWidgetItem &other) const
{
    if (data(FooterRole).toBool() || other.data(FooterRole).toBool())
        return false;
    bool leftOk = false;
    bool rightOk = false;
    const double left = text().toDouble(&leftOk);
    const double right = other.text().toDouble(&rightOk);
    if (leftOk && rightOk)
        return left < right;
    return QTableWidgetItem::operator<(other);
}
