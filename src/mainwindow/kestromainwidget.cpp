#include "kestromainwidget.h"

#include "appglobals.h"

#include <QDebug>

KestroMainWidget::KestroMainWidget(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("KestroMainWidget"));
    setWindowTitle(g_applicationName);
    resize(1280, 800);
}

void KestroMainWidget::showEvent(QShowEvent *event)
{
    qWarning() << "KestroMainWidget::showEvent" << __LINE__;
    QWidget::showEvent(event);
}
