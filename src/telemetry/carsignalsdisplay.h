#pragma once

#include "carsignals.h"

#include <QObject>
#include <QStringList>
#include <QVector>

#include <memory>

class CarSignalsRow;

// The car's signals row following playback: when a recording opens, its channels' files are
// read for the car's signals on a worker (the front-most channel first, then the others in
// turn, until one carries them); the row shows the frame at the playing position and hides for recordings
// without signals.
class CarSignalsDisplay : public QObject
{
    Q_OBJECT

public:
    explicit CarSignalsDisplay(CarSignalsRow *row, QObject *parent = nullptr);

    // Starts reading paths in the order given (the recording's channels, front-most first: the
    // front camera's picture is the one the signals describe best); what an earlier load would
    // still bring is dropped.
    void load(const QStringList &paths);
    // No recording: the row hides.
    void clear();
    // The frame at seconds into the recording.
    void showAt(double seconds);

    const QVector<CarSignalFrame> &frames() const { return m_frames; }
    // The file the frames come from; empty without signals.
    const QString &source() const { return m_source; }

signals:
    // A load ended: found tells whether any of its files carries the signals.
    void loaded(bool found);

private:
    void takeFrames(const QString &source, const QVector<CarSignalFrame> &frames);

    CarSignalsRow *m_row;
    QVector<CarSignalFrame> m_frames;
    QString m_source;
    double m_position = 0; // the last position asked for, shown once the frames arrive
    std::shared_ptr<int> m_generation = std::make_shared<int>(0);
};
