#pragma once

#include <QWidget>

// A plain black placeholder for a pane that has nothing to show.
class LuCoverWidget : public QWidget
{
    Q_OBJECT

public:
    explicit LuCoverWidget(QWidget *parent = nullptr);
};
