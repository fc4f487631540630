#include "clipexportdialog.h"

#include "clipestimate.h"
#include "clipexport.h"
#include "cliptime.h"
#include "hwdefaultsettings.h"
#include "incidentslog.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDebug>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>

namespace {
// Rates of an export on a two-core desktop, for the estimate only: copying streams runs at disk
// speed; composing three 1080p channels into 720p was measured at 75 frames a second.
constexpr double kCopyBytesPerSecond = 150e6;
constexpr double kComposedFramesPerSecond = 75;
constexpr int kEstimateSettleMs = 200;

QString sizeText(qint64 bytes)
{
    return bytes >= 1000000000 ? QString::number(double(bytes) / 1e9, 'f', 1) + QStringLiteral(" GB")
                               : QString::number(std::max<qint64>(1, bytes / 1000000)) + QStringLiteral(" MB");
}
} // namespace

QString clipTimeText(double seconds)
{
    const qint64 millis = std::llround(qMax(0.0, seconds) * 1000.0);
    const qint64 h = millis / 3600000, m = millis / 60000 % 60, s = millis / 1000 % 60;
    const QString tail = QString::asprintf("%02lld:%02lld.%03lld", m, s, millis % 1000);
    return h > 0 ? QString::number(h) + QLatin1Char(':') + tail : tail;
}

ClipExportDialog::ClipExportDialog(const ClipRequest &proposal, QWidget *parent)
    : QDialog(parent), m_request(proposal)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("导出片段…"));
    m_from = new QLineEdit(clipTimeText(proposal.from), this);
    m_to = new QLineEdit(clipTimeText(proposal.to), this);
    m_copy = new QCheckBox(tr("每个通道原样保存（无损）"), this);
    m_composed = new QCheckBox(tr("合成视频（含速度、位置）"), this);
    m_gpx = new QCheckBox(tr("片段的 GPX 轨迹"), this);
    for (QCheckBox *box : {m_copy, m_composed, m_gpx})
        box->setChecked(true);
    m_speed = new QComboBox(this);
    for (const int speed : kClipSpeeds)
        m_speed->addItem(speed == 1 ? tr("原速") : tr("%1× 延时").arg(speed), speed);
    m_speed->setCurrentIndex(std::max(0, m_speed->findData(proposal.speed)));
    m_estimate = new QLabel(this);
    m_estimate->setWordWrap(true);
    m_estimateTimer = new QTimer(this);
    m_estimateTimer->setSingleShot(true);
    m_estimateTimer->setInterval(kEstimateSettleMs);
    m_estimateGeneration = std::make_shared<int>(0);
    m_folder = new QLineEdit(proposal.targetDir, this);
    m_browse = new QPushButton(tr("浏览"), this);
    auto *note = new QLabel(tr("无损剪切从入点处或之前最近的关键帧开始。"), this);
    note->setWordWrap(true);
    m_progress = new QProgressBar(this);
    m_progress->setRange(0, 1000);
    m_progress->setValue(0);
    m_progress->setTextVisible(false);
    m_status = new QLabel(this);
    m_status->setWordWrap(true);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_exportButton = new QPushButton(tr("导出"), this);
    m_exportButton->setDefault(true);
    m_cancelButton = new QPushButton(tr("取消"), this);

    auto *range = new QHBoxLayout;
    range->addWidget(m_from);
    range->addWidget(new QLabel(QStringLiteral("–"), this));
    range->addWidget(m_to);
    auto *folder = new QHBoxLayout;
    folder->addWidget(m_folder, 1);
    folder->addWidget(m_browse);
    auto *form = new QFormLayout;
    form->addRow(tr("范围"), range);
    auto *what = new QVBoxLayout;
    for (QCheckBox *box : {m_copy, m_composed, m_gpx})
        what->addWidget(box);
    form->addRow(tr("内容"), what);
    form->addRow(tr("合成视频速度"), m_speed);
    form->addRow(tr("保存到"), folder);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_exportButton);
    buttons->addWidget(m_cancelButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(note);
    layout->addWidget(m_estimate);
    layout->addWidget(m_progress);
    layout->addWidget(m_status);
    layout->addLayout(buttons);
    setMinimumWidth(460);

    connect(m_browse, &QPushButton::clicked, this, &ClipExportDialog::chooseFolder);
    connect(m_exportButton, &QPushButton::clicked, this, &ClipExportDialog::startExport);
    connect(m_cancelButton, &QPushButton::clicked, this, &ClipExportDialog::cancelOrClose);
    // The estimate follows the form once an edit rests.
    connect(m_estimateTimer, &QTimer::timeout, this, &ClipExportDialog::estimate);
    const auto later = [this] { m_estimateTimer->start(); };
    for (QLineEdit *edit : {m_from, m_to})
        connect(edit, &QLineEdit::textChanged, this, later);
    for (QCheckBox *box : {m_copy, m_composed, m_gpx})
        connect(box, &QCheckBox::toggled, this, later);
    connect(m_composed, &QCheckBox::toggled, m_speed, &QWidget::setEnabled);
    connect(m_speed, QOverload<int>::of(&QComboBox::currentIndexChanged), this, later);
    estimate();
}

std::optional<ClipRequest> ClipExportDialog::formRequest(bool explain)
{
    const auto refuse = [&](const QString &why) -> std::optional<ClipRequest> {
        if (explain)
            m_status->setText(why);
        return std::nullopt;
    };
    const std::optional<double> from = parseClipTime(m_from->text());
    const std::optional<double> to = parseClipTime(m_to->text());
    if (!from || !to)
        return refuse(tr("时间格式：秒数或 [时:]分:秒[.毫秒]"));
    if (!(*to > *from))
        return refuse(tr("结束时间须晚于开始时间。"));
    if (!m_copy->isChecked() && !m_composed->isChecked() && !m_gpx->isChecked())
        return refuse(tr("请至少选择一项内容。"));
    ClipRequest request = m_request;
    request.from = *from;
    request.to = *to;
    request.targetDir = m_folder->text();
    request.copyChannels = m_copy->isChecked();
    request.composed = m_composed->isChecked();
    request.gpx = m_gpx->isChecked();
    request.speed = m_speed->currentData().toInt();
    return request;
}

void ClipExportDialog::estimate()
{
    const std::optional<ClipRequest> request = formRequest(false);
    const int generation = ++*m_estimateGeneration;
    if (!request) {
        m_estimate->clear();
        return;
    }
    // The files' headers are read on a worker: a card on slow media never stalls the form.
    const std::shared_ptr<int> current = m_estimateGeneration;
    QPointer<ClipExportDialog> self(this);
    QThread *worker = QThread::create([request, current, generation, self] {
        const ClipEstimate figures = estimateClip(*request);
        QMetaObject::invokeMethod(QCoreApplication::instance(), [figures, request, current, generation, self] {
            if (!self || *current != generation)
                return;
            const qint64 bytes = (request->copyChannels ? figures.copyBytes : 0) +
                                 (request->composed ? figures.composedBytes : 0);
            const double seconds =
                (request->copyChannels ? double(figures.copyBytes) / kCopyBytesPerSecond : 0) +
                (request->composed ? figures.composedSeconds * request->size.width() *
                                         request->size.height() / (1280.0 * 720.0) *
                                         request->fps / kComposedFramesPerSecond
                                   : 0);
            QString text = tr("约 %1，耗时约 %2").arg(sizeText(bytes), clipTimeText(std::ceil(seconds)).section(QLatin1Char('.'), 0, 0));
            if (request->composed)
                text += QLatin1Char('\n') + tr("合成视频长 %1").arg(clipTimeText(figures.composedSeconds).section(QLatin1Char('.'), 0, 0));
            self->m_estimate->setText(text);
        }, Qt::QueuedConnection);
    });
    connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    worker->start(QThread::LowPriority);
}

ClipExportDialog::~ClipExportDialog()
{
    if (m_thread) {
        m_cancel = true;
        m_thread->wait();
        delete m_thread;
    }
}

void ClipExportDialog::chooseFolder()
{
    const QString dir = QFileDialog::getExistingDirectory(this, tr("保存到"), m_folder->text());
    if (!dir.isEmpty())
        m_folder->setText(dir);
}

void ClipExportDialog::setEditable(bool editable)
{
    for (QWidget *w : std::initializer_list<QWidget *>{m_from, m_to, m_copy, m_composed, m_gpx,
                                                      m_folder, m_browse, m_exportButton})
        w->setEnabled(editable);
    m_speed->setEnabled(editable && m_composed->isChecked());
}

void ClipExportDialog::startExport()
{
    if (m_thread)
        return;
    const std::optional<ClipRequest> asked = formRequest(true);
    if (!asked)
        return;
    // Said before any work starts, not after a minute of encoding.
    const QString folderProblem = targetFolderProblem(m_folder->text());
    if (!folderProblem.isEmpty()) {
        qCWarning(lcIncidents) << "ClipExportDialog:" << folderProblem;
        m_status->setText(tr("无法写入文件夹：%1").arg(m_folder->text()));
        return;
    }
    HWDefaultSettings::instance()->setClipDir(m_folder->text());

    const ClipRequest request = *asked;
    m_cancel = false;
    m_shownPermille = -1;
    m_notes.clear();
    m_progress->setValue(0);
    m_status->setText(tr("正在导出…"));
    setEditable(false);
    m_thread = QThread::create([this, request] {
        ClipHooks hooks;
        hooks.cancel = &m_cancel;
        hooks.progress = [this](double fraction) {
            // Only a visible step is worth an event.
            const int permille = int(fraction * 1000);
            if (m_shownPermille.exchange(permille) != permille)
                QMetaObject::invokeMethod(
                    this, [this, permille] { m_progress->setValue(permille); },
                    Qt::QueuedConnection);
        };
        hooks.note = [this](const QString &line) {
            qCWarning(lcIncidents) << "ClipExportDialog:" << line;
            QMetaObject::invokeMethod(
                this, [this, line] { m_notes << line; }, Qt::QueuedConnection);
        };
        m_result = exportClip(request, hooks);
    });
    connect(m_thread, &QThread::finished, this, &ClipExportDialog::exportDone);
    m_thread->start();
}

void ClipExportDialog::exportDone()
{
    m_thread->wait();
    delete m_thread;
    m_thread = nullptr;
    setEditable(true);
    QString text;
    if (m_result.ok) {
        m_progress->setValue(m_progress->maximum());
        text = tr("已导出到 %1").arg(m_result.folder);
        m_cancelButton->setText(tr("关闭"));
    } else if (m_result.cancelled) {
        m_progress->setValue(0);
        text = tr("已取消，未写入任何文件。");
    } else {
        qCWarning(lcIncidents) << "ClipExportDialog: export failed:" << m_result.error;
        text = tr("导出失败：%1").arg(m_result.error);
    }
    if (!m_notes.isEmpty())
        text += QLatin1Char('\n') + m_notes.join(QLatin1Char('\n'));
    m_status->setText(text);
}

void ClipExportDialog::cancelOrClose()
{
    if (m_thread) {
        m_cancel = true;
        m_status->setText(tr("正在取消…"));
        return;
    }
    close();
}

void ClipExportDialog::closeEvent(QCloseEvent *event)
{
    // The destructor waits for the worker; cancelled, it stops within a frame.
    m_cancel = true;
    QDialog::closeEvent(event);
}
