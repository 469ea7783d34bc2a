#pragma once

#include <QTableWidgetItem>

// Table item of the trade, history and journal tables. A footer (summary) row
// never sorts before another; texts that both read as numbers sort by value.
class FooterItem : public QTableWidgetItem
{
public:
    static constexpr int FooterRole = 356;

    using QTableWidgetItem::QTableWidgetItem;

    bool isFooter() const { return data(FooterRole).toBool(); }
    void setFooter(bool footer) { setData(FooterRole, footer); }

    bool operator<(const QTableWidgetItem &other) const override;
};
