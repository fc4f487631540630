#include "menustyle.h"

#include "chromelog.h"

#include <QDebug>
#include <QFile>
#include <QMenu>

void applyMenuStyle(QMenu *menu)
{
    QFile sheet(QStringLiteral(":/images/images/appMenuSheet.css"));
    if (sheet.open(QIODevice::ReadOnly))
        menu->setStyleSheet(menu->styleSheet() + QString::fromUtf8(sheet.readAll()));
    else
        qCWarning(lcChrome) << "applyMenuStyle: no menu style sheet" << sheet.fileName();
}
