#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTimer>
#include <QVector>

class PlayLabel;

// Keeps the channels of one recording showing the same moment. Each channel plays in a player
// of its own, and players drift apart: they start a moment apart, decode at different costs
// and, at fast rates, drop different frames. The first player is the master (its clock is the
// recording's clock); on each of its position reports every other player that is off by more
// than a bound is brought back, by a small change of its rate when slightly off and by an
// exact seek when far off. Rates and seeks always go to every channel.
//
// From 10x on the players stand still and turn pages together instead: a clock of its own
// advances at the rate and every channel is shown the key frame at that moment, several times
// a second. Decoding every frame of three 1080p channels at such rates is beyond two cores,
// and players that drop frames each on their own show moments a key-frame interval apart.
class ChannelSync : public QObject
{
    Q_OBJECT

public:
    explicit ChannelSync(QObject *parent = nullptr);

    // players[0] is the master; the others follow it. They stay owned by their panes.
    void setPlayers(const QList<PlayLabel *> &players);
    // How many of the players hold a channel of the open recording (1 to 6).
    void setChannelCount(int count);
    // Paused, every channel shows the master's frame, decoded in full even after a fast rate.
    void setPlaying(bool playing);
    // The session ended: nothing is playing and nothing is to be kept in step.
    void stopped();

    void setRate(double rate);
    double rate() const { return m_rate; }
    // All channels to the same time: exact (to the frame) or fast (nearest key frame, for
    // following a dragged handle).
    void seek(double seconds, bool exact);
    // With each of the master's position reports.
    void masterMoved();

    // Offsets (seconds of recording) below the first bound count as in step; above the second a
    // channel is seeked rather than nudged. Both grow with the rate: the players report their
    // position once per shown frame, and at fast rates frames are far apart in time.
    static double inStepBound(double rate);
    static double seekBound(double rate);

private:
    struct Follower
    {
        PlayLabel *player = nullptr;
        bool nudged = false;     // runs at a rate other than the session's
        QElapsedTimer sinceSeek; // a seek of its own is still landing
        bool heldAtEnd = false;  // flip-book: past its end, showing its last frame
    };

    void follow(Follower &follower, double master);
    void applyRateOptions();
    // Turns the flip-book on or off; off, the players run again when resume is set.
    void setFlipBook(bool on, bool resume);
    void flipPage();
    // The master shows the page: the channels that did not land on its frame are sent there.
    void masterLanded();
    void forgetKeyFrames();
    // Where the recording is: the master's position, or a seek just sent.
    double currentPosition() const;
    static void playToTheEnd(PlayLabel *player);
    QList<PlayLabel *> activePlayers() const;

    PlayLabel *m_master = nullptr;
    QVector<Follower> m_followers;
    int m_channelCount = 1;
    double m_rate = 1.0;
    bool m_playing = false;
    bool m_flipping = false;
    bool m_flipPastEnd = false; // the last stretch plays, so the master's end leads on
    double m_flipOrigin = 0.0;  // the recording's second when the flip clock started
    QElapsedTimer m_flipClock;
    QElapsedTimer m_pageTurning; // the master's seek to the next page has not landed yet
    double m_pageTarget = -1.0;  // the page asked for, then the one shown
    QElapsedTimer m_pageShown;   // the master landed on the page
    double m_seekTarget = 0.0;   // the last shared seek
    double m_keyOrigin = -1.0;   // one of the master's key frames, once one is known
    double m_keyStep = 0.0;      // a multiple of their spacing, once two are known
    QTimer m_flipTimer;
    QElapsedTimer m_lastCheck;
    QElapsedTimer m_sinceSharedSeek;
};
