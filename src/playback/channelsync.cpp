#include "channelsync.h"

#include "playbacklog.h"
#include "playlabel.h"

#include <QDebug>

#include <algorithm>
#include <cmath>

namespace {

// Position reports come with every frame; looking more often than this only costs time.
constexpr qint64 checkIntervalMs = 100;
// A seek needs this long (wall time) to land and report; until then the old position stands.
constexpr qint64 seekSettleMs = 400;
// A nudged channel makes up its offset over about this much wall time.
constexpr double catchUpSeconds = 1.0;
// Rates from here on turn pages instead of playing: three 1080p channels at 15x would need
// fifteen times the decoding a core manages, and what is seen at such rates is a flip-book.
constexpr double flipBookRate = 10.0;
// Pages a second at most: each costs one key frame per channel.
constexpr int flipIntervalMs = 100;
// A page whose master seek has not landed after this long is turned again.
constexpr qint64 flipPageTimeoutMs = 1000;
// Positions this close are the same frame (less than half a frame at 60 fps).
constexpr double keyFrameTolerance = 0.008;
// The flip-book stops this far (recording seconds) before the master's end and plays the rest,
// so the end of file is reported as at any other rate.
constexpr double flipEndMargin = 1.0;

} // namespace

ChannelSync::ChannelSync(QObject *parent)
    : QObject(parent)
{
    m_flipTimer.setInterval(flipIntervalMs);
    connect(&m_flipTimer, &QTimer::timeout, this, &ChannelSync::flipPage);
}

double ChannelSync::inStepBound(double rate)
{
    // Never more than a second: key frames, all that fast rates show, are about a second apart.
    return std::clamp(0.04 * rate, 0.04, 1.0);
}

double ChannelSync::seekBound(double rate)
{
    return std::max(1.0, 0.5 * rate);
}

void ChannelSync::setPlayers(const QList<PlayLabel *> &players)
{
    if (m_master)
        disconnect(m_master, &PlayLabel::sigPlaybackRestart, this, &ChannelSync::masterLanded);
    m_master = players.value(0);
    if (m_master)
        connect(m_master, &PlayLabel::sigPlaybackRestart, this, &ChannelSync::masterLanded);
    m_followers.clear();
    for (int i = 1; i < players.size(); ++i) {
        Follower follower;
        follower.player = players[i];
        // A shorter channel stays on its last frame while the others go on.
        follower.player->setHoldLastFrame(true);
        m_followers.append(follower);
    }
}

void ChannelSync::setChannelCount(int count)
{
    m_channelCount = qBound(1, count, m_followers.size() + 1);
    for (Follower &follower : m_followers) {
        follower.nudged = false;
        follower.sinceSeek.invalidate();
    }
    m_sinceSharedSeek.invalidate();
    m_flipPastEnd = false;
    forgetKeyFrames(); // a new recording has key frames of its own
    if (m_flipping)
        m_flipOrigin = 0.0; // a new recording starts at its beginning
    setRate(m_rate); // the rate stays from one recording to the next, in every channel
}

void ChannelSync::setRate(double rate)
{
    if (!(rate > 0.0))
        return;
    m_rate = rate;
    if (m_master)
        m_master->setRate(rate);
    for (Follower &follower : m_followers) {
        follower.player->setRate(rate);
        follower.nudged = false;
    }
    if (m_flipping) {
        // The clock goes on from where the pages are, at the new rate.
        m_flipOrigin = currentPosition();
        m_flipClock.start();
        m_pageTarget = -1.0;
    }
    m_flipPastEnd = false;
    applyRateOptions();
}

void ChannelSync::setPlaying(bool playing)
{
    if (playing == m_playing)
        return;
    m_playing = playing;
    if (playing) {
        applyRateOptions();
        return;
    }
    setFlipBook(false, false);
    const double at = m_master ? m_master->position() : -1.0;
    if (at >= 0.0 && m_channelCount > 1)
        seek(at, true);
}

void ChannelSync::stopped()
{
    m_playing = false;
    m_channelCount = 1;
    setFlipBook(false, false);
}

void ChannelSync::applyRateOptions()
{
    setFlipBook(m_playing && m_rate >= flipBookRate && !m_flipPastEnd, true);
}

QList<PlayLabel *> ChannelSync::activePlayers() const
{
    QList<PlayLabel *> players;
    if (m_master)
        players << m_master;
    for (int i = 0; i + 1 < m_channelCount && i < m_followers.size(); ++i)
        players << m_followers[i].player;
    return players;
}

void ChannelSync::setFlipBook(bool on, bool resume)
{
    if (on == m_flipping)
        return;
    m_flipping = on;
    if (on) {
        m_flipOrigin = currentPosition();
        m_flipClock.start();
        for (PlayLabel *player : activePlayers())
            player->holdStill(true);
        m_flipTimer.start();
        return;
    }
    m_flipTimer.stop();
    m_pageTurning.invalidate();
    m_pageTarget = -1.0;
    if (!resume)
        return;
    for (PlayLabel *player : activePlayers()) {
        // A channel that has ended holds its last frame, paused; the others run again.
        if (!(player != m_master && player->endReached()))
            player->holdStill(false);
    }
}

void ChannelSync::flipPage()
{
    if (!m_flipping || !m_master)
        return;
    // One page at a time: the next waits until every channel shows this one.
    if (m_pageTurning.isValid() && m_pageTurning.elapsed() < flipPageTimeoutMs)
        return;
    if (m_pageShown.isValid() && m_pageShown.elapsed() < flipPageTimeoutMs) {
        for (PlayLabel *player : activePlayers())
            if (player->isSeeking())
                return;
    }
    double target = m_flipOrigin + m_rate * double(m_flipClock.elapsed()) / 1000.0;
    const double end = m_master->fileDuration();
    if (end > 0.0 && target >= end - flipEndMargin) {
        const double from = std::max(0.0, end - flipEndMargin);
        for (PlayLabel *player : activePlayers())
            player->seekTo(from, false);
        m_flipPastEnd = true;
        setFlipBook(false, true);
        return;
    }
    // Pages on the master's key frames, once their spacing is known: every channel is sent to
    // the same key frame, so none shows (or reports) another moment while the others land.
    if (m_keyStep > 0.0) {
        target = m_keyOrigin + std::floor((target - m_keyOrigin) / m_keyStep) * m_keyStep;
        if (target <= m_pageTarget)
            return; // not yet time for the next page
    }
    m_pageTarget = target;
    m_master->seekTo(target, false);
    for (int i = 0; i + 1 < m_channelCount; ++i) {
        Follower &follower = m_followers[i];
        // A shorter channel past its end shows its last frame, once.
        const double duration = follower.player->fileDuration();
        if (duration > 0.0 && target >= duration) {
            if (!follower.heldAtEnd)
                playToTheEnd(follower.player);
            follower.heldAtEnd = true;
            continue;
        }
        follower.heldAtEnd = false;
        follower.player->seekTo(target, false);
    }
    m_pageTurning.start();
}

void ChannelSync::masterLanded()
{
    if (!m_flipping || !m_pageTurning.isValid())
        return;
    m_pageTurning.invalidate();
    m_pageShown.start();
    const double page = m_master->exactPosition();
    if (page < 0.0)
        return;
    // Learn where the key frames are: a landing is one, and the distances between landings are
    // multiples of their spacing. A landing off the pattern starts the learning again.
    if (m_keyStep > 0.0 && std::fabs(page - m_pageTarget) > keyFrameTolerance) {
        m_keyStep = 0.0;
        m_keyOrigin = -1.0;
    }
    if (m_keyOrigin < 0.0) {
        m_keyOrigin = page;
    } else if (std::fabs(page - m_keyOrigin) > keyFrameTolerance) {
        const double distance = std::fabs(page - m_keyOrigin);
        m_keyStep = m_keyStep > 0.0 ? std::min(m_keyStep, distance) : distance;
    }
    // Channels whose key frames lie elsewhere are brought to the master's very frame.
    for (int i = 0; i + 1 < m_channelCount; ++i) {
        Follower &follower = m_followers[i];
        if (follower.heldAtEnd)
            continue;
        const double position = follower.player->exactPosition();
        if (position >= 0.0 && std::fabs(position - page) > keyFrameTolerance)
            follower.player->seekTo(page, true);
    }
    m_pageTarget = page;
}

double ChannelSync::currentPosition() const
{
    // A seek just sent has not reached the player's position yet.
    if (m_sinceSharedSeek.isValid() && m_sinceSharedSeek.elapsed() < seekSettleMs)
        return m_seekTarget;
    return m_master ? std::max(0.0, m_master->position()) : 0.0;
}

void ChannelSync::playToTheEnd(PlayLabel *player)
{
    // Played into its end, a player held open stops on the last frame and reports the end,
    // as a shorter channel does at any other rate.
    const double duration = player->fileDuration();
    player->seekTo(std::max(0.0, duration - 0.1), true);
    player->holdStill(false);
}

void ChannelSync::forgetKeyFrames()
{
    m_keyOrigin = -1.0;
    m_keyStep = 0.0;
    m_pageTarget = -1.0;
    m_pageTurning.invalidate();
}

void ChannelSync::seek(double seconds, bool exact)
{
    if (!m_master)
        return;
    if (m_flipping) {
        m_flipOrigin = std::max(0.0, seconds);
        m_flipClock.start();
        m_pageTarget = -1.0;
        m_pageTurning.invalidate();
    }
    m_flipPastEnd = false;
    m_seekTarget = std::max(0.0, seconds);
    m_master->seekTo(seconds, exact);
    for (int i = 0; i + 1 < m_channelCount; ++i) {
        Follower &follower = m_followers[i];
        follower.player->seekTo(seconds, exact);
        follower.heldAtEnd = false;
        // Held on its last frame, a shorter channel is paused; back inside it, it plays on
        // (the flip-book keeps every channel still).
        if (m_playing && !m_flipping)
            follower.player->on_file_contiue();
        if (follower.nudged) {
            follower.player->setRate(m_rate);
            follower.nudged = false;
        }
    }
    m_sinceSharedSeek.start();
}

void ChannelSync::masterMoved()
{
    if (!m_master || m_channelCount < 2 || m_flipping)
        return;
    if (m_lastCheck.isValid() && m_lastCheck.elapsed() < checkIntervalMs)
        return;
    if (m_sinceSharedSeek.isValid() && m_sinceSharedSeek.elapsed() < seekSettleMs)
        return;
    m_lastCheck.start();
    const double master = m_master->position();
    if (master < 0.0)
        return;
    for (int i = 0; i + 1 < m_channelCount; ++i)
        follow(m_followers[i], master);
}

void ChannelSync::follow(Follower &follower, double master)
{
    PlayLabel *player = follower.player;
    if (follower.sinceSeek.isValid() && follower.sinceSeek.elapsed() < seekSettleMs)
        return;
    const double position = player->position();
    if (position < 0.0)
        return; // not loaded, or failed: nothing to keep in step
    const double duration = player->fileDuration();
    if (duration > 0.0 && master >= duration - inStepBound(m_rate) && player->endReached())
        return; // a shorter channel, over: it stays on its last frame

    const double offset = position - master; // > 0: ahead of the master
    const double distance = std::fabs(offset);
    if (distance > seekBound(m_rate)) {
        // Aim where the master will be once the seek has landed.
        const double lead = m_playing ? m_rate * seekSettleMs / 2000.0 : 0.0;
        qCWarning(lcPlayback) << "ChannelSync: channel" << (&follower - m_followers.data()) + 2
                              << "off by" << offset << "s, seeking to" << master + lead;
        player->seekTo(master + lead, true);
        follower.sinceSeek.start();
        if (follower.nudged) {
            player->setRate(m_rate);
            follower.nudged = false;
        }
    } else if (m_playing && (distance > inStepBound(m_rate) ||
                             (follower.nudged && distance > inStepBound(m_rate) / 2))) {
        // In proportion to the offset, so the nudge fades out as the channel arrives.
        const double rate = qBound(0.5 * m_rate, m_rate - offset / catchUpSeconds, 1.5 * m_rate);
        player->setRate(rate);
        follower.nudged = true;
    } else if (follower.nudged) {
        player->setRate(m_rate);
        follower.nudged = false;
    }
}
