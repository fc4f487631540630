#pragma once

#include "lubasicframe.h"

#include <QDialog>

// Base of the viewer's dialogs: frameless, with the shared title bar showing only its close
// button. The derived dialog calls initTitleBar() from its constructor; the dialog deletes
// itself once closed.
class LuBasicDialog : public LuBasicFrame<QDialog>
{
    Q_OBJECT

public:
    explicit LuBasicDialog(QWidget *parent = nullptr);

public slots:
    void onButtonCloseClicked() override;

protected:
    void initTitleBar();
};
