#include "lucustomcombobox.h"

#include <QFrame>

void LuCustomComboBox::showPopup()
{
    QComboBox::showPopup();
    // The popup container is the box's first frame child; the list view is a frame as well,
    // but it sits one level deeper, inside the container.
    auto *popup = findChild<QFrame *>();
    if (!popup)
        return;
    popup->setStyleSheet(QStringLiteral("background-color: rgba(255, 255, 255,65); "));
    const QPoint topLeft = mapToGlobal(QPoint(0, 0));
    popup->setGeometry(topLeft.x(), topLeft.y() + height(), width(), popup->height());
}
