#include "clipexportdialog.h"

#include "clipexport.h"
#include "cliptime.h"
#include "hwdefaultsettings.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDebug>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

#include <cmath>

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
    form->addRow(tr("保存到"), folder);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_exportButton);
    buttons->addWidget(m_cancelButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(note);
    layout->addWidget(m_progress);
    layout->addWidget(m_status);
    layout->addLayout(buttons);
    setMinimumWidth(460);

    connect(m_browse, &QPushButton::clicked, this, &ClipExportDialog::chooseFolder);
    connect(m_exportButton, &QPushButton::clicked, this, &ClipExportDialog::startExport);
    connect(m_cancelButton, &QPushButton::clicked, this, &ClipExportDialog::cancelOrClose);
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
}

void ClipExportDialog::startExport()
{
    if (m_thread)
        return;
    const std::optional<double> from = parseClipTime(m_from->text());
    const std::optional<double> to = parseClipTime(m_to->text());
    if (!from || !to) {
        m_status->setText(tr("时间格式：秒数或 [时:]分:秒[.毫秒]"));
        return;
    }
    if (!(*to > *from)) {
        m_status->setText(tr("结束时间须晚于开始时间。"));
        return;
    }
    if (!m_copy->isChecked() && !m_composed->isChecked() && !m_gpx->isChecked()) {
        m_status->setText(tr("请至少选择一项内容。"));
        return;
    }
    // Said before any work starts, not after a minute of encoding.
    const QString folderProblem = targetFolderProblem(m_folder->text());
    if (!folderProblem.isEmpty()) {
        qWarning() << "ClipExportDialog:" << folderProblem;
        m_status->setText(tr("无法写入文件夹：%1").arg(m_folder->text()));
        return;
    }
    HWDefaultSettings::instance()->setClipDir(m_folder->text());

    ClipRequest request = m_request;
    request.from = *from;
    request.to = *to;
    request.targetDir = m_folder->text();
    request.copyChannels = m_copy->isChecked();
    request.composed = m_composed->isChecked();
    request.gpx = m_gpx->isChecked();
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
            qWarning() << "ClipExportDialog:" << line;
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
        qWarning() << "ClipExportDialog: export failed:" << m_result.error;
        text = tr("导出失败：%1").arg(m_result.error);
    }
    if (!m_notes.isEmpty())
        text += QLatin1Char('\n') + m_notes.join(QLatin1Char('\n'));
    m_status->setText(text);
    emit exportFinished(m_result.ok, m_result.ok ? m_result.folder : m_result.error);
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
