#include "nmeafixes.h"

#include <algorithm>
#include <cmath>

namespace {
namespace nmeafixes {
// An hour of sentences at ten a second, two kinds each; a longer text is cut there.
constexpr std::size_t kMaxSentences = 72000;
// NMEA caps a sentence at 82 characters; cameras pad some fields.
constexpr std::size_t kMaxSentence = 120;
constexpr double kHalfDay = 43200;

double secondOfDay(const NmeaSentence &s)
{
    return s.hour * 3600.0 + s.minute * 60.0 + s.second;
}

bool sameTimeOfDay(const NmeaSentence &a, const NmeaSentence &b)
{
    return a.hour == b.hour && a.minute == b.minute && a.second == b.second;
}
} // namespace nmeafixes
} // namespace

void NmeaFixes::add(const NmeaSentence &sentence, double time)
{
    using namespace nmeafixes;
    if (sentence.kind == NmeaSentence::None)
        return;
    const NmeaSentence &current = m_hasRmc ? m_rmc : m_gga;
    if ((m_hasRmc || m_hasGga) && !sameTimeOfDay(current, sentence))
        close();
    if (!m_hasRmc && !m_hasGga)
        m_time = time;
    // The first of each kind in a time of day counts.
    if (sentence.kind == NmeaSentence::Rmc && !m_hasRmc) {
        m_rmc = sentence;
        m_hasRmc = true;
    } else if (sentence.kind == NmeaSentence::Gga && !m_hasGga) {
        m_gga = sentence;
        m_hasGga = true;
    }
}

void NmeaFixes::close()
{
    using namespace nmeafixes;
    if (m_hasRmc && (m_rmc.fix || !m_hasGga || !m_gga.fix)) {
        GpsSample s = nmeaSample(m_rmc, m_time);
        if (m_rmc.fix && s.clock != kNoClock) {
            m_lastDay = daysFromCivil(m_rmc.year, m_rmc.month, m_rmc.day);
            m_lastSecondOfDay = secondOfDay(m_rmc);
        }
        m_samples.push_back(s);
    } else if (m_hasGga) {
        // Only a void RMC sentence, if any, beside it: the GGA sentence's position stands.
        GpsSample s = nmeaSample(m_gga, m_time);
        s.hasSpeed = false;
        s.hasCourse = false;
        if (m_lastSecondOfDay >= 0) {
            const double second = secondOfDay(m_gga);
            const int64_t day = m_lastDay + (second < m_lastSecondOfDay - kHalfDay ? 1 : 0);
            int year = 0, month = 0, date = 0;
            civilFromDays(day, &year, &month, &date);
            s.clock = clockOf(year, month, date, m_gga.hour, m_gga.minute, m_gga.second);
            if (s.fix && s.clock != kNoClock)
                ++m_datedGga;
        }
        m_samples.push_back(s);
    }
    m_hasRmc = m_hasGga = false;
}

std::vector<GpsSample> NmeaFixes::take()
{
    close();
    return std::move(m_samples);
}

std::vector<NmeaSentence> rmcAndGgaSentences(const unsigned char *text, std::size_t size)
{
    using namespace nmeafixes;
    std::vector<NmeaSentence> sentences;
    const char *chars = reinterpret_cast<const char *>(text);
    for (std::size_t i = 0; i + 7 <= size && sentences.size() < kMaxSentences; ++i) {
        if (chars[i] != '$')
            continue;
        std::size_t end = i + 1;
        const std::size_t limit = std::min(size, i + kMaxSentence);
        while (end < limit && chars[end] != '$' && chars[end] != '\r' && chars[end] != '\n' &&
               chars[end] != '\0')
            ++end;
        NmeaSentence n;
        if (parseNmeaSentence(chars + i, end - i, &n))
            sentences.push_back(n);
        i = end - 1;
    }
    return sentences;
}
