#pragma once

#include "lubasicframe.h"

#include <QWidget>

// Base of the main window: frameless, with the shared title bar at its top left. The derived
// window calls initTitleBar() from its constructor. Closing through the title bar ends the
// application's event loop with status 0.
class LuBasicWidget : public LuBasicFrame<QWidget>
{
    Q_OBJECT

public:
    explicit LuBasicWidget(QWidget *parent = nullptr);

public slots:
    void onButtonCloseClicked() override;

protected:
    void initTitleBar();
};
