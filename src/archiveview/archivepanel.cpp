// The archive view's widgets and what they show: the calendar's marked days, a day's drives and
// the passes near a place.
#include "archivepanel.h"

#include "archiveindexer.h"
#include "archivetexts.h"
#include "hwdefaultsettings.h"
#include "library.h"
#include "lufileinfomodel.h"
#include "mapbridge.h"
#include "mapview.h"

#include <QCalendarWidget>
#include <QCoreApplication>
#include <QEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHash>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTextCharFormat>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {
// The window's look: light grey text on near black, its blue for what stands out.
const char *const kArchiveSheet =
    "ArchivePanel, QTabWidget::pane, QTreeWidget, QCalendarWidget QWidget {"
    " background-color: rgb(34, 34, 34); color: rgb(212, 221, 227); border: none;"
    " font: 12px; }"
    "QTabBar::tab { background: rgb(17, 17, 17); color: rgb(160, 170, 178); padding: 3px 10px; }"
    "QTabBar::tab:selected { color: rgb(47, 179, 255); }"
    "QPushButton { background: rgb(51, 51, 51); color: rgb(212, 221, 227);"
    " border: 1px solid rgb(68, 68, 68); padding: 2px 8px; }"
    "QPushButton:checked { color: rgb(47, 179, 255); }"
    "QSpinBox { background: rgb(51, 51, 51); color: rgb(212, 221, 227); }"
    "QHeaderView::section { background: rgb(17, 17, 17); color: rgb(160, 170, 178);"
    " border: none; }"
    "QCalendarWidget QAbstractItemView:enabled { selection-background-color: rgb(47, 179, 255);"
    " selection-color: black; }"
    "QCalendarWidget QAbstractItemView:disabled { color: rgb(90, 90, 90); }"
    "QCalendarWidget QToolButton { background: transparent; color: rgb(212, 221, 227); }";

constexpr int kArchiveDefaultRadius = 50;
// A car's event row plays from this long before it, like the "[" and "]" stops.
constexpr int kArchiveEventLeadSeconds = 5;
constexpr int kArchiveRefreshMs = 1000;
constexpr int kArchiveCalendarWidth = 220;
// The calendar shows up to six weeks around its month.
constexpr int kArchiveCalendarReach = 7;


QTreeWidget *archiveList(QWidget *parent)
{
    auto *list = new QTreeWidget(parent);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->header()->setStretchLastSection(true);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    return list;
}

void archiveRow(QTreeWidgetItem *item, const ArchiveRecording &r, int second)
{
    item->setData(0, ArchivePanel::FrontRole, r.frontPath);
    item->setData(0, ArchivePanel::ChannelsRole, r.channelPaths);
    item->setData(0, ArchivePanel::SecondRole, second);
    item->setData(0, ArchivePanel::OfflineRole, r.offline);
    if (r.offline) {
        for (int column = 0; column < item->columnCount(); ++column)
            item->setForeground(column, QColor(110, 110, 110));
        item->setToolTip(0, QCoreApplication::translate("ArchivePanel", "不在线：%1")
                                .arg(QDir::toNativeSeparators(r.frontPath)));
    } else {
        item->setToolTip(0, QDir::toNativeSeparators(r.frontPath));
    }
}
} // namespace

ArchivePanel::ArchivePanel(const ArchiveParts &parts, const QString &databasePath,
                           QWidget *parent)
    : QWidget(parent), m_parts(parts), m_indexer(new ArchiveIndexer(databasePath, this)),
      m_reader(databasePath)
{
    build();
    retranslate();
    connect(m_indexer, &ArchiveIndexer::opened, this, [this](bool ok) {
        if (ok && m_reader.openExisting()) {
            m_indexer->checkOffline();
            refresh();
        }
    });
    // A card's tracks arrive one by one: the views follow at most once a second.
    m_refreshTimer = new QTimer(this);
    m_refreshTimer->setSingleShot(true);
    m_refreshTimer->setInterval(kArchiveRefreshMs);
    connect(m_refreshTimer, &QTimer::timeout, this, &ArchivePanel::refresh);
    connect(m_indexer, &ArchiveIndexer::idle, this, [this] {
        if (!m_refreshTimer->isActive())
            m_refreshTimer->start();
    });
    if (m_parts.library)
        connect(m_parts.library, &Library::trackReady, this, &ArchivePanel::feed);
    if (m_parts.map)
        connect(m_parts.map->bridge(), &MapBridge::placeChosen, this, [this](double lat, double lon) {
            if (m_showing)
                searchAt(lat, lon);
        });
}

ArchivePanel::~ArchivePanel() = default;

void ArchivePanel::build()
{
    setObjectName(QStringLiteral("archivePanel"));
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(QLatin1String(kArchiveSheet));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 4, 0, 0);
    layout->setSpacing(4);

    auto *top = new QHBoxLayout;
    m_addFolder = new QPushButton(this);
    m_wholeArchive = new QPushButton(this);
    m_wholeArchive->setCheckable(true);
    m_status = new QLabel(this);
    // A long folder name is cut, never widening the panel.
    m_status->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    top->addWidget(m_addFolder);
    top->addWidget(m_wholeArchive);
    top->addWidget(m_status, 1);
    layout->addLayout(top);

    m_tabs = new QTabWidget(this);
    layout->addWidget(m_tabs, 1);

    auto *byDay = new QWidget(m_tabs);
    auto *dayLayout = new QHBoxLayout(byDay);
    dayLayout->setContentsMargins(0, 0, 0, 0);
    m_calendar = new QCalendarWidget(byDay);
    m_calendar->setFixedWidth(kArchiveCalendarWidth);
    m_calendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    m_calendar->setGridVisible(false);
    m_calendar->setHorizontalHeaderFormat(QCalendarWidget::SingleLetterDayNames);
    QTextCharFormat header;
    header.setBackground(QColor(17, 17, 17));
    header.setForeground(QColor(160, 170, 178));
    m_calendar->setHeaderTextFormat(header);
    QTextCharFormat weekend;
    weekend.setForeground(QColor(230, 150, 150));
    m_calendar->setWeekdayTextFormat(Qt::Saturday, weekend);
    m_calendar->setWeekdayTextFormat(Qt::Sunday, weekend);
    m_drives = archiveList(byDay);
    m_drives->setRootIsDecorated(true);
    m_drives->setColumnCount(4);
    dayLayout->addWidget(m_calendar);
    dayLayout->addWidget(m_drives, 1);
    m_tabs->addTab(byDay, QString());

    auto *byPlace = new QWidget(m_tabs);
    auto *placeLayout = new QVBoxLayout(byPlace);
    placeLayout->setContentsMargins(0, 0, 0, 0);
    auto *row = new QHBoxLayout;
    m_radiusLabel = new QLabel(byPlace);
    m_radius = new QSpinBox(byPlace);
    m_radius->setRange(5, 5000);
    m_radius->setSingleStep(10);
    m_radius->setValue(kArchiveDefaultRadius);
    m_radius->setSuffix(QStringLiteral(" m"));
    m_useMarker = new QPushButton(byPlace);
    m_placeHint = new QLabel(byPlace);
    row->addWidget(m_radiusLabel);
    row->addWidget(m_radius);
    row->addWidget(m_useMarker);
    row->addWidget(m_placeHint, 1);
    placeLayout->addLayout(row);
    m_passes = archiveList(byPlace);
    m_passes->setColumnCount(4);
    placeLayout->addWidget(m_passes, 1);
    m_tabs->addTab(byPlace, QString());

    connect(m_addFolder, &QPushButton::clicked, this, [this] {
        const QString folder = QFileDialog::getExistingDirectory(
            this, tr("添加文件夹到档案"), HWDefaultSettings::instance()->videoDir());
        if (!folder.isEmpty())
            addFolder(folder);
    });
    connect(m_wholeArchive, &QPushButton::toggled, this, &ArchivePanel::showWholeArchive);
    connect(m_useMarker, &QPushButton::clicked, this, &ArchivePanel::searchAtMarker);
    connect(m_radius, QOverload<int>::of(&QSpinBox::valueChanged), this, [this] {
        if (m_placeSet)
            listPasses();
    });
    connect(m_calendar, &QCalendarWidget::currentPageChanged, this, &ArchivePanel::markMonth);
    connect(m_calendar, &QCalendarWidget::selectionChanged, this, &ArchivePanel::listDay);
    for (QTreeWidget *list : {m_drives, m_passes})
        connect(list, &QTreeWidget::itemDoubleClicked, this, &ArchivePanel::play);
}

void ArchivePanel::retranslate()
{
    m_addFolder->setText(tr("添加文件夹到档案…"));
    m_wholeArchive->setText(tr("在地图上显示整个档案"));
    m_useMarker->setText(tr("使用当前标记"));
    m_radiusLabel->setText(tr("半径"));
    m_placeHint->setText(tr("在地图上点击一个地点"));
    m_tabs->setTabText(0, tr("按日期"));
    m_tabs->setTabText(1, tr("按地点"));
    m_drives->setHeaderLabels({tr("时间"), tr("距离"), tr("最高速度"), tr("事件")});
    m_passes->setHeaderLabels({tr("日期和时间"), tr("速度"), tr("距离"), tr("文件")});
}

void ArchivePanel::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QWidget::changeEvent(event);
}

void ArchivePanel::refresh()
{
    if (!m_reader.isOpen())
        return;
    m_status->setText(tr("档案中有 %1 段录像").arg(m_reader.recordingCount()));
    markMonth();
    listDay();
    if (m_placeSet)
        listPasses();
    if (m_routesShown && m_parts.map)
        m_parts.map->showArchiveRoutes(m_reader.routes());
    emit refreshed();
}

void ArchivePanel::markMonth()
{
    if (!m_reader.isOpen())
        return;
    const QDate first(m_calendar->yearShown(), m_calendar->monthShown(), 1);
    m_calendar->setDateTextFormat(QDate(), QTextCharFormat()); // clears every day's format
    for (const ArchiveDay &day : m_reader.days(first.addDays(-kArchiveCalendarReach),
                                                first.addMonths(1).addDays(kArchiveCalendarReach))) {
        QTextCharFormat format;
        format.setForeground(QColor(47, 179, 255));
        format.setFontWeight(QFont::Bold);
        format.setToolTip(tr("%1，%2 段录像")
                              .arg(archivetexts::distance(day.metres))
                              .arg(day.recordings));
        m_calendar->setDateTextFormat(day.date, format);
    }
}

void ArchivePanel::listDay()
{
    m_drives->clear();
    if (!m_reader.isOpen())
        return;
    for (const ArchiveDrive &drive : m_reader.drivesOn(m_calendar->selectedDate())) {
        auto *top = new QTreeWidgetItem(
            m_drives, {archivetexts::timeRange(drive.startUtc, drive.endUtc),
                       archivetexts::distance(drive.metres),
                       archivetexts::speed(drive.topSpeedKmh), archivetexts::events(drive.events)});
        if (!drive.recordings.isEmpty())
            archiveRow(top, drive.recordings.first(), 0);
        for (const ArchiveRecording &r : drive.recordings) {
            if (drive.recordings.size() > 1)
                archiveRow(new QTreeWidgetItem(top, {archivetexts::timeRange(r.startUtc, r.endUtc),
                                                     archivetexts::distance(r.metres),
                                                     archivetexts::speed(r.topSpeedKmh),
                                                     archivetexts::events(r.events)}),
                           r, 0);
            // The car's events under the drive, after the recording holding them, open: a
            // double-click plays their lead-up, as "]" would.
            for (const ArchiveCarEvent &event : r.carEvents) {
                auto *row = new QTreeWidgetItem(top, {archivetexts::carEvent(event, r.startUtc)});
                row->setFirstColumnSpanned(true);
                row->setForeground(0, QColor(47, 179, 255));
                archiveRow(row, r, std::max(0, event.second - kArchiveEventLeadSeconds));
                top->setExpanded(true);
            }
        }
    }
    for (int column = 0; column < m_drives->columnCount() - 1; ++column)
        m_drives->resizeColumnToContents(column);
}

void ArchivePanel::searchAt(double latitude, double longitude)
{
    m_placeLatitude = latitude;
    m_placeLongitude = longitude;
    m_placeSet = true;
    m_tabs->setCurrentIndex(1);
    listPasses();
}

void ArchivePanel::listPasses()
{
    m_passes->clear();
    if (!m_reader.isOpen())
        return;
    const QVector<ArchivePass> passes =
        m_reader.passesNear(m_placeLatitude, m_placeLongitude, m_radius->value());
    m_placeHint->setText(tr("%1, %2 附近 %3 次经过")
                             .arg(m_placeLatitude, 0, 'f', 5)
                             .arg(m_placeLongitude, 0, 'f', 5)
                             .arg(passes.size()));
    QHash<qint64, ArchiveRecording> recordings;
    for (const ArchivePass &pass : passes) {
        if (!recordings.contains(pass.recordingId))
            recordings.insert(pass.recordingId, m_reader.recording(pass.recordingId));
        ArchiveRecording r = recordings.value(pass.recordingId);
        r.frontPath = pass.frontPath;
        r.offline = pass.offline;
        auto *item = new QTreeWidgetItem(
            m_passes, {archivetexts::localTime(pass.whenUtc), archivetexts::speed(pass.speedKmh),
                       QStringLiteral("%1 m").arg(pass.metres, 0, 'f', 0),
                       QFileInfo(pass.frontPath).fileName()});
        archiveRow(item, r, pass.second);
    }
    for (int column = 0; column < m_passes->columnCount() - 1; ++column)
        m_passes->resizeColumnToContents(column);
}
