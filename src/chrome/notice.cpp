#include "notice.h"

#include <QMessageBox>

void showNotice(QWidget *parent, const QString &text)
{
    auto *box = new QMessageBox(QMessageBox::Information, QStringLiteral("Q-MARL"), text,
                                QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}
