#include "lucoverwidget.h"

#include "ui_lucoverwidget.h"

LuCoverWidget::LuCoverWidget(QWidget *parent)
    : QWidget(parent)
{
    // Without it a plain QWidget ignores its style-sheet background and would not be black.
    setAttribute(Qt::WA_StyledBackground);
    Ui::LuCoverWidget form;
    form.setupUi(this);
}
