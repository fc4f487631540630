#include "lubasicdialog.h"

#include "lutitlebar.h"
#include "luwindowgeometry.h"

LuBasicDialog::LuBasicDialog(QWidget *parent)
    : QDialog(parent)
{
}

void LuBasicDialog::initTitleBar()
{
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowMinimizeButtonHint);
    setAttribute(Qt::WA_DeleteOnClose);
    titleBar = new LuTitleBar(this);
    titleBar->move(0, 0);
    connect(titleBar, &LuTitleBar::signalButtonMinClicked, this, &LuBasicDialog::onButtonMinClicked);
    connect(titleBar, &LuTitleBar::signalButtonRestoreClicked, this,
            &LuBasicDialog::onButtonRestoreClicked);
    connect(titleBar, &LuTitleBar::signalButtonMaxClicked, this, &LuBasicDialog::onButtonMaxClicked);
    connect(titleBar, &LuTitleBar::signalButtonCloseClicked, this,
            &LuBasicDialog::onButtonCloseClicked);
    titleBar->setButtonType(2);
}

void LuBasicDialog::onButtonMinClicked()
{
    showMinimized();
}

void LuBasicDialog::onButtonRestoreClicked()
{
    LuWindowGeometry::restore(this, titleBar);
}

void LuBasicDialog::onButtonMaxClicked()
{
    LuWindowGeometry::maximise(this, titleBar);
}

void LuBasicDialog::onButtonCloseClicked()
{
    close();
}
