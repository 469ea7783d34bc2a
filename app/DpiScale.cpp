#include "app/DpiScale.h"

#include <QWidget>

void applyDpiScale(QWidget *root, double factor)
{
    if (!root || factor <= 0.0)
        return;
    QList<QWidget *> widgets = root->findChildren<QWidget *>();
    widgets.prepend(root);
    for (QWidget *widget : qAsConst(widgets)) {
        QFont font = widget->font();
        font.setPointSizeF(10.0);
        widget->setFont(font);
        if (factor != 1.0)
            widget->resize(int(widget->width() / factor), int(widget->height() / factor));
    }
}
