#include "clockshiftdialog.h"

#include "externaltracks.h"
#include "lufileinfomodel.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <cmath>

namespace {
constexpr int kSettleMs = 150;

QSpinBox *unitBox(int most, const QString &suffix, QWidget *parent)
{
    auto *box = new QSpinBox(parent);
    box->setRange(-most, most);
    box->setSuffix(suffix);
    return box;
}
} // namespace

ClockShiftDialog::ClockShiftDialog(ExternalTracks *tracks, LuFileInfoModel *recording,
                                   const QList<LuFileInfoModel *> &drive, QWidget *parent)
    : QDialog(parent), m_tracks(tracks), m_recording(recording)
{
    for (LuFileInfoModel *model : drive)
        m_drive << model;
    setWindowTitle(tr("校正时钟"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(recording->fileName, this));
    auto *boxes = new QHBoxLayout;
    m_hours = unitBox(23, QStringLiteral(" h"), this);
    m_minutes = unitBox(59, QStringLiteral(" min"), this);
    m_seconds = unitBox(59, QStringLiteral(" s"), this);
    for (QSpinBox *box : {m_hours, m_minutes, m_seconds})
        boxes->addWidget(box);
    layout->addLayout(boxes);
    auto *thisOne = new QRadioButton(tr("此录像"), this);
    m_wholeDrive = new QRadioButton(tr("整个行程"), this);
    thisOne->setChecked(true);
    m_wholeDrive->setEnabled(drive.size() > 1);
    layout->addWidget(thisOne);
    layout->addWidget(m_wholeDrive);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    m_reset = buttons->addButton(tr("重置"), QDialogButtonBox::ResetRole);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_reset, &QPushButton::clicked, this, [this] { setShiftSeconds(0); });

    setShiftSeconds(int(std::lround(tracks->shiftOf(recording))));
    m_settle.setSingleShot(true);
    m_settle.setInterval(kSettleMs);
    connect(&m_settle, &QTimer::timeout, this, &ClockShiftDialog::apply);
    for (QSpinBox *box : {m_hours, m_minutes, m_seconds})
        connect(box, QOverload<int>::of(&QSpinBox::valueChanged), &m_settle,
                QOverload<>::of(&QTimer::start));
    connect(m_wholeDrive, &QRadioButton::toggled, &m_settle, QOverload<>::of(&QTimer::start));
}

int ClockShiftDialog::shiftSeconds() const
{
    return m_hours->value() * 3600 + m_minutes->value() * 60 + m_seconds->value();
}

void ClockShiftDialog::setShiftSeconds(int seconds)
{
    const int sign = seconds < 0 ? -1 : 1;
    const int magnitude = std::abs(seconds);
    m_hours->setValue(sign * (magnitude / 3600));
    m_minutes->setValue(sign * (magnitude % 3600 / 60));
    m_seconds->setValue(sign * (magnitude % 60));
}

void ClockShiftDialog::apply()
{
    // Recordings taken out of the list meanwhile are left out.
    QList<LuFileInfoModel *> recordings;
    for (const QPointer<LuFileInfoModel> &model :
         m_wholeDrive->isChecked() ? m_drive : QList<QPointer<LuFileInfoModel>>{m_recording})
        if (model)
            recordings << model;
    m_tracks->setShift(recordings, shiftSeconds());
}
