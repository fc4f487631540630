#include "channelsync.h"

#include "playlabel.h"

#include <QDebug>

#include <mpv/client.h>

#include <algorithm>
#include <cmath>

namespace {

// Position reports come with every frame; looking more often than this only costs time.
constexpr qint64 checkIntervalMs = 100;
// A seek needs this long (wall time) to land and report; until then the old position stands.
constexpr qint64 seekSettleMs = 400;
// A nudged channel makes up its offset over about this much wall time.
constexpr double catchUpSeconds = 1.0;
// Rates from here on decode key frames only: three 1080p channels at 15x would need fifteen
// times the decoding a core manages, and what is seen at such rates is a flip-book anyway.
constexpr double keyFramesOnlyRate = 10.0;

} // namespace

ChannelSync::ChannelSync(QObject *parent)
    : QObject(parent)
{
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
    m_master = players.value(0);
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
    setKeyFramesOnly(false);
    const double at = m_master ? m_master->position() : -1.0;
    if (at >= 0.0 && m_channelCount > 1)
        seek(at, true);
}

void ChannelSync::stopped()
{
    m_playing = false;
    m_channelCount = 1;
    setKeyFramesOnly(false);
}

void ChannelSync::applyRateOptions()
{
    setKeyFramesOnly(m_playing && m_rate >= keyFramesOnlyRate);
}

void ChannelSync::setKeyFramesOnly(bool fast)
{
    QList<PlayLabel *> players{m_master};
    for (const Follower &follower : qAsConst(m_followers))
        players << follower.player;
    if (fast == m_keyFramesOnly)
        return;
    m_keyFramesOnly = fast;
    for (PlayLabel *player : qAsConst(players)) {
        mpv_handle *mpv = player ? player->mpvHandle() : nullptr;
        if (!mpv)
            continue;
        mpv_set_property_string(mpv, "vd-lavc-skipframe", fast ? "nonkey" : "default");
        mpv_set_property_string(mpv, "framedrop", fast ? "decoder+vo" : "vo");
        // The decoder reads that option only when it starts: start it again by selecting the
        // video track anew (the player keeps its place).
        char *video = mpv_get_property_string(mpv, "vid");
        if (video && qstrcmp(video, "no") != 0) {
            const QByteArray track(video);
            mpv_set_property_string(mpv, "vid", "no");
            mpv_set_property_string(mpv, "vid", track.constData());
        }
        mpv_free(video);
    }
}

void ChannelSync::seek(double seconds, bool exact)
{
    if (!m_master)
        return;
    m_master->seekTo(seconds, exact);
    for (int i = 0; i + 1 < m_channelCount; ++i) {
        Follower &follower = m_followers[i];
        follower.player->seekTo(seconds, exact);
        // Held on its last frame, a shorter channel is paused; back inside it, it plays on.
        if (m_playing)
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
    if (!m_master || m_channelCount < 2)
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
        qWarning() << "ChannelSync: channel" << (&follower - m_followers.data()) + 2 << "off by"
                   << offset << "s, seeking to" << master + lead;
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
