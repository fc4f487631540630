#pragma once

#include <QDialog>
#include <QList>
#include <QPointer>
#include <QTimer>

class ExternalTracks;
class LuFileInfoModel;
class QPushButton;
class QRadioButton;
class QSpinBox;

// Setting a camera's clock right: hours, minutes and seconds added to the recording's clock
// against a loaded track, or moving the camera's own track against its picture (for the
// recording or every recording of its drive). Each change is kept and applied at once, so the
// marker and the dials move while the dialog is open and the user can line up a turn in the
// picture with the turn on the map.
class ClockShiftDialog : public QDialog
{
    Q_OBJECT

public:
    ClockShiftDialog(ExternalTracks *tracks, LuFileInfoModel *recording,
                     const QList<LuFileInfoModel *> &drive, QWidget *parent = nullptr);

    // Seconds, as the three boxes say.
    int shiftSeconds() const;
    void setShiftSeconds(int seconds);
    QPushButton *resetButton() const { return m_reset; }
    QRadioButton *wholeDriveButton() const { return m_wholeDrive; }

private:
    void apply();

    ExternalTracks *m_tracks;
    QPointer<LuFileInfoModel> m_recording;
    QList<QPointer<LuFileInfoModel>> m_drive;
    QSpinBox *m_hours;
    QSpinBox *m_minutes;
    QSpinBox *m_seconds;
    QRadioButton *m_wholeDrive;
    QPushButton *m_reset;
    QTimer m_settle; // a held arrow key matches once it rests, not at every step
};
