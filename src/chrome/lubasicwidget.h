#pragma once

#include <QWidget>

class LuTitleBar;

// Base of the main window: frameless, with the shared title bar at its top left. The derived
// window calls initTitleBar() from its constructor. Closing through the title bar ends the
// application's event loop with status 0.
class LuBasicWidget : public QWidget
{
    Q_OBJECT

public:
    explicit LuBasicWidget(QWidget *parent = nullptr);

    LuTitleBar *titleBarWidget() const { return titleBar; }

public slots:
    virtual void onButtonMinClicked();
    virtual void onButtonRestoreClicked();
    virtual void onButtonMaxClicked();
    virtual void onButtonCloseClicked();

protected:
    void initTitleBar();

    LuTitleBar *titleBar = nullptr;
};
