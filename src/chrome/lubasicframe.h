#pragma once

#include "lutitlebar.h"
#include "luwindowgeometry.h"

#include <QObject>
#include <QWidget>

// What the viewer's frameless windows share, whatever their Qt base (QWidget for the main
// window, QDialog for the dialogs): the shared title bar at the top left, and minimising,
// maximising and restoring through it. The derived class calls initTitleBar() with its window
// flags from its constructor and says what closing through the title bar does.
template <class Base>
class LuBasicFrame : public Base
{
public:
    explicit LuBasicFrame(QWidget *parent) : Base(parent) {}

    LuTitleBar *titleBarWidget() const { return titleBar; }

    virtual void onButtonMinClicked() { this->showMinimized(); }
    virtual void onButtonRestoreClicked() { LuWindowGeometry::restore(this, titleBar); }
    virtual void onButtonMaxClicked() { LuWindowGeometry::maximise(this, titleBar); }
    virtual void onButtonCloseClicked() = 0;

protected:
    void initTitleBar(Qt::WindowFlags flags)
    {
        this->setWindowFlags(flags);
        titleBar = new LuTitleBar(this);
        titleBar->move(0, 0);
        QObject::connect(titleBar, &LuTitleBar::signalButtonMinClicked, this,
                         &LuBasicFrame::onButtonMinClicked);
        QObject::connect(titleBar, &LuTitleBar::signalButtonRestoreClicked, this,
                         &LuBasicFrame::onButtonRestoreClicked);
        QObject::connect(titleBar, &LuTitleBar::signalButtonMaxClicked, this,
                         &LuBasicFrame::onButtonMaxClicked);
        QObject::connect(titleBar, &LuTitleBar::signalButtonCloseClicked, this,
                         &LuBasicFrame::onButtonCloseClicked);
    }

    LuTitleBar *titleBar = nullptr;
};
