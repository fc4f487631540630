#include "lubasicwidget.h"

#include "lutitlebar.h"
#include "luwindowgeometry.h"

#include <QCoreApplication>

LuBasicWidget::LuBasicWidget(QWidget *parent)
    : QWidget(parent)
{
}

void LuBasicWidget::initTitleBar()
{
    setWindowFlags(Qt::FramelessWindowHint | Qt::WindowMinimizeButtonHint);
    titleBar = new LuTitleBar(this);
    titleBar->move(0, 0);
    connect(titleBar, &LuTitleBar::signalButtonMinClicked, this, &LuBasicWidget::onButtonMinClicked);
    connect(titleBar, &LuTitleBar::signalButtonRestoreClicked, this,
            &LuBasicWidget::onButtonRestoreClicked);
    connect(titleBar, &LuTitleBar::signalButtonMaxClicked, this, &LuBasicWidget::onButtonMaxClicked);
    connect(titleBar, &LuTitleBar::signalButtonCloseClicked, this,
            &LuBasicWidget::onButtonCloseClicked);
}

void LuBasicWidget::onButtonMinClicked()
{
    showMinimized();
}

void LuBasicWidget::onButtonRestoreClicked()
{
    LuWindowGeometry::restore(this, titleBar);
}

void LuBasicWidget::onButtonMaxClicked()
{
    LuWindowGeometry::maximise(this, titleBar);
}

void LuBasicWidget::onButtonCloseClicked()
{
    QCoreApplication::exit(0);
}
