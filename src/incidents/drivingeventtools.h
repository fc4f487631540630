#pragma once

#include "drivingevents.h"

#include <QJsonArray>
#include <QObject>
#include <QString>

class Library;
class LuFileInfoModel;
class LuProgressSlider;
class PlaybackSession;

// The open recording's driving events, those of its track and the car's own: a tick for each on
// the progress bar, and jumps to the lead-up of the previous or next one in every channel.
class DrivingEventTools : public QObject
{
    Q_OBJECT

public:
    // A jump lands this long before the event, so the lead-up is seen.
    static constexpr int kLeadUpSeconds = 5;

    DrivingEventTools(PlaybackSession *session, Library *library, LuProgressSlider *progress,
                      QObject *parent = nullptr);

    // The ticks of the open recording's events (none while nothing is open).
    void showTicks();
    // To the lead-up of the next (1) or previous (-1) event.
    void jump(int direction);

    // The tool tip of a tick: the kind, the speeds in the chosen unit, the time; for the car's
    // events the reason in words and the place it named.
    static QString text(const DrivingEvent &event);
    // The events as the map page takes them.
    static QJsonArray mapEvents(const LuFileInfoModel *model);
    static int leadUpOf(const DrivingEvent &event);

private:
    PlaybackSession *m_session;
    LuProgressSlider *m_progress;
};
