#include "offlinemaprow.h"

#include "hwdefaultsettings.h"
#include "mainwindowlog.h"
#include "mbtiles.h"

#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
namespace offlinemaprow {

// Laid out like the dialog's other rows: label, field, button.
constexpr int kLabelX = 30;
constexpr int kFieldX = 170;
constexpr int kFieldWidth = 191;
constexpr int kButtonX = 370;
constexpr int kButtonWidth = 28;
constexpr int kRowHeight = 28;

} // namespace offlinemaprow
} // namespace

OfflineMapRow::OfflineMapRow(std::function<void()> changed, QWidget *parent)
    : QWidget(parent), m_changed(std::move(changed)), m_label(new QLabel(this)),
      m_path(new QLineEdit(this)), m_browse(new QPushButton(this)),
      m_none(new QPushButton(this)), m_message(new QLabel(this))
{
    using namespace offlinemaprow;
    setObjectName(QStringLiteral("offlineMapRow"));
    m_label->setGeometry(kLabelX, 0, kFieldX - kLabelX - 9, kRowHeight);
    m_path->setGeometry(kFieldX, 0, kFieldWidth, kRowHeight);
    m_path->setReadOnly(true);
    m_browse->setGeometry(kButtonX, 0, kButtonWidth, kRowHeight);
    m_none->setGeometry(kButtonX + kButtonWidth + 5, 0, kButtonWidth, kRowHeight);
    m_message->setGeometry(kFieldX, kRowHeight + 2, kButtonX + 2 * kButtonWidth - kFieldX,
                           kRowHeight);
    m_message->setWordWrap(true);
    m_message->setStyleSheet(QStringLiteral("color: rgb(255, 120, 100); font-size: 11px;"));
    setFixedHeight(2 * kRowHeight + 2);
    m_chooser = [](QWidget *owner, const QString &current) {
        return QFileDialog::getOpenFileName(
            owner, tr("Offline map"),
            current.isEmpty() ? QString() : QFileInfo(current).absolutePath(),
            tr("MBTiles files (*.mbtiles);;All files (*)"));
    };
    connect(m_browse, &QPushButton::clicked, this, [this] {
        const QString path = m_chooser(this, HWDefaultSettings::instance()->offlineMap());
        if (!path.isEmpty())
            choose(path);
    });
    connect(m_none, &QPushButton::clicked, this, &OfflineMapRow::clear);
    retranslate();
    showCurrent();
}

bool OfflineMapRow::choose(const QString &path)
{
    const MbTilesInfo info = inspectMbTiles(path);
    if (!info.ok) {
        qCWarning(lcMainWindow) << "offline map refused:" << path << info.problem;
        m_message->setText(info.problem);
        return false;
    }
    m_message->clear();
    HWDefaultSettings *store = HWDefaultSettings::instance();
    const QString absolute = QFileInfo(path).absoluteFilePath();
    if (store->offlineMap() != absolute) {
        store->setOfflineMap(absolute);
        showCurrent();
        if (m_changed)
            m_changed();
    }
    return true;
}

void OfflineMapRow::clear()
{
    m_message->clear();
    HWDefaultSettings *store = HWDefaultSettings::instance();
    if (store->offlineMap().isEmpty())
        return;
    store->setOfflineMap(QString());
    showCurrent();
    if (m_changed)
        m_changed();
}

QString OfflineMapRow::message() const
{
    return m_message->text();
}

void OfflineMapRow::showCurrent()
{
    const QString path = HWDefaultSettings::instance()->offlineMap();
    m_path->setText(path.isEmpty() ? tr("None") : QFileInfo(path).fileName());
    m_path->setToolTip(path);
    m_none->setEnabled(!path.isEmpty());
}

void OfflineMapRow::retranslate()
{
    m_label->setText(tr("Offline map:"));
    m_browse->setText(QStringLiteral("…"));
    m_browse->setToolTip(tr("Choose an MBTiles file whose streets the offline map shows"));
    m_none->setText(QStringLiteral("×"));
    m_none->setToolTip(tr("No offline map file"));
    showCurrent();
}

void OfflineMapRow::changeEvent(QEvent *e)
{
    if (e->type() == QEvent::LanguageChange)
        retranslate();
    QWidget::changeEvent(e);
}
