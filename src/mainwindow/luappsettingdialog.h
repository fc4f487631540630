#pragma once

#include "lubasicdialog.h"

#include <functional>

class OfflineMapRow;

namespace Ui {
class LuAppSettingDialog;
}

// "System Setting": language, map service, speed unit, snapshot folder and offline map file. Language, map and
// unit are stored the moment they change and reported through onChanged (true when the map
// page must be reloaded, false after a unit change); the creator reads nothing back.
class LuAppSettingDialog : public LuBasicDialog
{
    Q_OBJECT

public:
    using ChangedCallback = std::function<void(bool reloadMap)>;

    explicit LuAppSettingDialog(ChangedCallback onChanged, QWidget *parent = nullptr);
    ~LuAppSettingDialog() override;

    Ui::LuAppSettingDialog *form() const { return ui; }
    OfflineMapRow *offlineMapRow() const { return m_offlineMap; }

private slots:
    void on_pushBtn_selectSnapDir_clicked();
    void on_pushBtn_ok_clicked();
    void on_comboBox_language_currentIndexChanged(int index);
    void on_comboBox_map_currentIndexChanged(int index);
    void on_comboBox_unit_currentIndexChanged(int index);

protected:
    void changeEvent(QEvent *e) override;

private:
    void setTitle();
    void fillControls();
    void addOfflineMapRow();

    Ui::LuAppSettingDialog *ui;
    // Set while the dialog fills its own combo boxes, whose index changes are not the user's.
    bool initializing = false;
    ChangedCallback onChanged;
    OfflineMapRow *m_offlineMap = nullptr;
};
