#pragma once

#include <QWidget>

// The viewer's one top-level window.
class KestroMainWidget : public QWidget
{
    Q_OBJECT

public:
    explicit KestroMainWidget(QWidget *parent = nullptr);

protected:
    void showEvent(QShowEvent *event) override;
};
