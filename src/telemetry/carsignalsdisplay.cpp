#include "carsignalsdisplay.h"

#include "carsignalsrow.h"
#include "telemetrylog.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThreadPool>

CarSignalsDisplay::CarSignalsDisplay(CarSignalsRow *row, QObject *parent)
    : QObject(parent), m_row(row)
{
    if (m_row)
        m_row->hide();
}

void CarSignalsDisplay::load(const QStringList &paths)
{
    // Positions reported while the files are read are shown once the frames arrive.
    const double position = m_position;
    clear();
    m_position = position;
    const int generation = ++*m_generation;
    const std::shared_ptr<int> current = m_generation;
    QPointer<CarSignalsDisplay> self(this);
    // A minute of frames is a few megabytes of frame heads on the card: never on the window's
    // thread. On the library's pool, which the application waits for as it quits.
    QThreadPool::globalInstance()->start([paths, current, generation, self] {
        QVector<CarSignalFrame> frames;
        QString source;
        for (const QString &path : paths) {
            QString problem;
            if (readCarSignals(path, &frames, &problem)) {
                source = path;
                break;
            }
        }
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [frames, source, current, generation, self] {
                if (self && *current == generation)
                    self->takeFrames(source, frames);
            },
            Qt::QueuedConnection);
    });
}

void CarSignalsDisplay::takeFrames(const QString &source, const QVector<CarSignalFrame> &frames)
{
    m_frames = frames;
    m_source = frames.isEmpty() ? QString() : source;
    qCDebug(lcTelemetry) << "car signals:" << m_frames.size() << "frames from" << m_source;
    if (m_row) {
        m_row->setVisible(!m_frames.isEmpty());
        showAt(m_position);
    }
    emit loaded(!m_frames.isEmpty());
}

void CarSignalsDisplay::clear()
{
    ++*m_generation;
    m_frames.clear();
    m_source.clear();
    m_position = 0;
    if (m_row) {
        m_row->clear();
        m_row->hide();
    }
}

void CarSignalsDisplay::showAt(double seconds)
{
    m_position = seconds;
    if (!m_row || m_frames.isEmpty())
        return;
    const int index = carSignalFrameAt(m_frames, seconds);
    if (index < 0)
        m_row->clear();
    else
        m_row->setFrame(m_frames[index]);
}
