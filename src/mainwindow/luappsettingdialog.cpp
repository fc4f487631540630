#include "luappsettingdialog.h"

#include "hwdefaultsettings.h"
#include "lutitlebar.h"
#include "mainwindowlog.h"
#include "offlinemaprow.h"
#include "translation.h"
#include "ui_luappsettingdialog.h"

#include <QDebug>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QListView>

namespace {
constexpr int kTitlePointSize = 9;
} // namespace

LuAppSettingDialog::LuAppSettingDialog(ChangedCallback changed, QWidget *parent)
    : LuBasicDialog(parent), ui(new Ui::LuAppSettingDialog), onChanged(std::move(changed))
{
    ui->setupUi(this);
    initTitleBar();
    setTitle();
    fillControls();
    addOfflineMapRow();
}

// Below the form's last row, whatever rows the form holds; the dialog grows by the row.
void LuAppSettingDialog::addOfflineMapRow()
{
    m_offlineMap = new OfflineMapRow([this] {
        if (onChanged)
            onChanged(true);
    }, this);
    const int top = ui->lineEdit_snapDir->geometry().bottom() + 19;
    m_offlineMap->setGeometry(0, top, width(), m_offlineMap->height());
    const int grow = m_offlineMap->height() + 8;
    ui->pushBtn_ok->move(ui->pushBtn_ok->x(), ui->pushBtn_ok->y() + grow);
    setMinimumHeight(minimumHeight() + grow);
    setMaximumHeight(maximumHeight() + grow);
    resize(width(), height() + grow);
}

LuAppSettingDialog::~LuAppSettingDialog()
{
    delete ui;
}

void LuAppSettingDialog::setTitle()
{
    titleBarWidget()->setTitleContent(tr("系统设置"), kTitlePointSize);
}

void LuAppSettingDialog::fillControls()
{
    initializing = true;
    HWDefaultSettings *store = HWDefaultSettings::instance();

    ui->lineEdit_snapDir->setText(store->snapDir());
    ui->lineEdit_snapDir->setToolTip(ui->lineEdit_snapDir->text());

    // A fresh plain list view per fill: the style sheet's item rules apply only to it, not to
    // the style's own popup delegate.
    const auto fill = [](QComboBox *box, const QStringList &items, int selected) {
        box->setView(new QListView(box));
        box->clear();
        box->addItems(items);
        box->setCurrentIndex(selected);
    };
    fill(ui->comboBox_language,
         {tr("Japanese"), tr("English"), tr("简体中文"), tr("Russian"), tr("Vietnamese")},
         store->language());
    fill(ui->comboBox_map, {tr("谷歌地图"), tr("百度地图"), tr("OpenStreetMap")}, store->mapType());
    fill(ui->comboBox_unit, {QStringLiteral("KM/H"), QStringLiteral("MPH")}, store->speedUnit());
    fill(ui->comboBox_video_solution, {tr("记录仪支持重力感应"), tr("记录仪没有重力感应")},
         store->videoSolution());

    // The recorder has no G-sensor; its row shares the snapshot row's place and never shows.
    ui->comboBox_video_solution->hide();
    ui->label_gsensor->hide();
    initializing = false;
}

void LuAppSettingDialog::changeEvent(QEvent *e)
{
    qCDebug(lcMainWindow) << "LuAppSettingDialog::changeEvent" << __LINE__ << e->type();
    if (e->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        // The title bar is not part of the form; without this it keeps the old language.
        setTitle();
        fillControls();
    }
    QWidget::changeEvent(e);
}

void LuAppSettingDialog::on_comboBox_language_currentIndexChanged(int index)
{
    if (initializing)
        return;
    HWDefaultSettings *store = HWDefaultSettings::instance();
    if (store->language() == index)
        return;
    store->setLanguage(index);
    // The loader may normalise its argument; the stored choice stays as made.
    int language = index;
    loadTranslation(language);
    if (onChanged)
        onChanged(true);
}

void LuAppSettingDialog::on_comboBox_map_currentIndexChanged(int index)
{
    Q_UNUSED(index)
    if (initializing)
        return;
    HWDefaultSettings::instance()->setMapType(ui->comboBox_map->currentIndex());
    if (onChanged)
        onChanged(true);
}

void LuAppSettingDialog::on_comboBox_unit_currentIndexChanged(int index)
{
    Q_UNUSED(index)
    if (initializing)
        return;
    HWDefaultSettings::instance()->setSpeedUnit(ui->comboBox_unit->currentIndex());
    if (onChanged)
        onChanged(false);
}

void LuAppSettingDialog::on_pushBtn_selectSnapDir_clicked()
{
    const QString dirName = HWDefaultSettings::instance()->snapDir();
    qCWarning(lcMainWindow) << "dirName" << dirName;
    const QString chosen = QFileDialog::getExistingDirectory(
        this, tr("抓拍路径"), QDir::currentPath(),
        QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
    if (chosen.isEmpty())
        return;
    ui->lineEdit_snapDir->setText(chosen);
    ui->lineEdit_snapDir->setToolTip(chosen);
    // Stored at once, so closing by the title bar keeps the folder too.
    HWDefaultSettings::instance()->setSnapDir(ui->lineEdit_snapDir->text());
}

void LuAppSettingDialog::on_pushBtn_ok_clicked()
{
    HWDefaultSettings *store = HWDefaultSettings::instance();
    store->setLanguage(ui->comboBox_language->currentIndex());
    store->setMapType(ui->comboBox_map->currentIndex());
    store->setSpeedUnit(ui->comboBox_unit->currentIndex());
    store->setSnapDir(ui->lineEdit_snapDir->text());
    accept();
}
