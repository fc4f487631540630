#pragma once

#include <QDialog>

class LuTitleBar;

// Base of the viewer's dialogs: frameless, with the shared title bar showing only its close
// button. The derived dialog calls initTitleBar() from its constructor; the dialog deletes
// itself once closed.
class LuBasicDialog : public QDialog
{
    Q_OBJECT

public:
    explicit LuBasicDialog(QWidget *parent = nullptr);

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
