#include "lubasicdialog.h"

LuBasicDialog::LuBasicDialog(QWidget *parent)
    : LuBasicFrame(parent)
{
}

void LuBasicDialog::initTitleBar()
{
    setAttribute(Qt::WA_DeleteOnClose);
    LuBasicFrame::initTitleBar(Qt::Dialog | Qt::FramelessWindowHint |
                               Qt::WindowMinimizeButtonHint);
    titleBar->setButtonType(2);
}

void LuBasicDialog::onButtonCloseClicked()
{
    close();
}
