#include "lubasicwidget.h"

#include <QCoreApplication>

LuBasicWidget::LuBasicWidget(QWidget *parent)
    : LuBasicFrame(parent)
{
}

void LuBasicWidget::initTitleBar()
{
    LuBasicFrame::initTitleBar(Qt::FramelessWindowHint | Qt::WindowMinimizeButtonHint);
}

void LuBasicWidget::onButtonCloseClicked()
{
    QCoreApplication::exit(0);
}
