#pragma once
#include "gpssample.h"
#include "nmeasentence.h"

#include <cstddef>
#include <string>
#include <vector>

// NMEA sentences merged into one sample per time of day, for the cameras that write an RMC and
// a GGA sentence for each fix and sometimes only the GGA one. A GGA sentence alone carries no
// date: it takes the date of the last RMC sentence with a fix before it, the day after when its
// time of day lies more than twelve hours before that sentence's (the clock passed midnight).
class NmeaFixes
{
public:
    // Adds a sentence at time into the recording (below 0: not known); a sentence of another
    // time of day than the one before ends that one's sample.
    void add(const NmeaSentence &sentence, double time);
    // Ends the last sample and hands the samples over.
    std::vector<GpsSample> take();
    // Samples made of a GGA sentence with a fix alone, dated by an earlier RMC sentence.
    int datedGgaFixes() const { return m_datedGga; }

private:
    void close();

    std::vector<GpsSample> m_samples;
    NmeaSentence m_rmc, m_gga;
    bool m_hasRmc = false, m_hasGga = false;
    double m_time = -1;
    int64_t m_lastDay = 0;         // days since 1970 of the last RMC sentence with a fix
    double m_lastSecondOfDay = -1; // its time of day in seconds; below 0: none yet
    int m_datedGga = 0;
};

// The RMC and GGA sentences of text in order, each from its '$' up to the next '$', line end or
// zero byte; sentences that fail their checksum or do not hold together are passed over. At
// most a bounded number is returned.
std::vector<NmeaSentence> rmcAndGgaSentences(const unsigned char *text, std::size_t size);
