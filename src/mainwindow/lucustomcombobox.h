#pragma once

#include <QComboBox>

// The settings dialog's combo box: its popup opens flush below the box, as wide as the box,
// on the dialog's translucent backdrop instead of wherever the style would place it.
class LuCustomComboBox : public QComboBox
{
    Q_OBJECT

public:
    using QComboBox::QComboBox;

    void showPopup() override;
};
