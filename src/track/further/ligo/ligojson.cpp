// The JSON form of the records: "LIGOGPSINFO {...}" objects, each one flat object on one line,
// of text members: the receiver's UTC clock ("Year" ... "Second"), "status" ('A' when the
// receiver has a fix; other objects hold no position), "NS", "EW", "Latitude" and "Longitude" in
// unsigned decimal degrees, "Speed" in knots, G-sensor counts in a unit not known (not read),
// and perhaps the camera's own clock ("MYear" ... "MSecond", its local time) and the position
// again. ExifTool 13.59 reads them the same way.
#include "ligorecords.h"

#include <cmath>
#include <cstring>
#include <string_view>
#include <utility>
#include <vector>

namespace {
namespace ligojson {
constexpr double kKmhPerKnot = 1.852;
constexpr std::size_t kMaxJsonObject = 4096;
constexpr char kJsonMark[] = "LIGOGPSINFO {";

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// One flat JSON object's members as their raw text (strings without their quotes, escapes
// left as written); false when it is not one.
using Member = std::pair<std::string_view, std::string_view>;
bool jsonMembers(std::string_view object, std::vector<Member> *out)
{
    std::size_t at = 1; // past '{'
    const auto spaces = [&] {
        while (at < object.size() && isSpace(object[at]))
            ++at;
    };
    const auto quoted = [&](std::string_view *text) {
        if (at >= object.size() || object[at] != '"')
            return false;
        const std::size_t from = ++at;
        while (at < object.size() && object[at] != '"')
            at += object[at] == '\\' ? 2 : 1;
        if (at >= object.size())
            return false;
        *text = object.substr(from, at++ - from);
        return true;
    };
    out->clear();
    while (at < object.size()) {
        spaces();
        if (at < object.size() && object[at] == '}')
            return true;
        std::string_view key, value;
        if (!quoted(&key))
            return false;
        spaces();
        if (at >= object.size() || object[at++] != ':')
            return false;
        spaces();
        if (at < object.size() && object[at] == '"') {
            if (!quoted(&value))
                return false;
        } else {
            const std::size_t from = at;
            while (at < object.size() && object[at] != ',' && object[at] != '}' &&
                   !isSpace(object[at]))
                ++at;
            value = object.substr(from, at - from);
        }
        out->emplace_back(key, value);
        spaces();
        if (at < object.size() && object[at] == ',')
            ++at;
    }
    return false;
}

// Perl's truth of a text: neither empty nor "0".
bool isTrue(const std::string_view *value)
{
    return value && !value->empty() && *value != "0";
}

} // namespace ligojson
} // namespace

namespace ligo {

void Decoder::addJsonText(const char *text, std::size_t size)
{
    using namespace ligojson;
    constexpr std::size_t markSize = sizeof kJsonMark - 1;
    std::vector<Member> members;
    for (const char *at = text, *end = text + size; std::size_t(end - at) >= markSize;) {
        const void *found = std::memchr(at, kJsonMark[0], std::size_t(end - at) - markSize + 1);
        if (!found)
            break;
        const char *mark = static_cast<const char *>(found);
        at = mark + 1;
        if (std::memcmp(mark, kJsonMark, markSize) != 0)
            continue;
        // The object ends at the first '}', on the same line.
        const char *open = mark + markSize - 1, *close = open;
        while (close < end && *close != '}' && *close != '\n' &&
               std::size_t(close - open) <= kMaxJsonObject)
            ++close;
        if (close >= end || *close != '}' ||
            !jsonMembers(std::string_view(open, std::size_t(close - open) + 1), &members))
            continue;
        const auto value = [&](std::string_view key) -> const std::string_view * {
            for (const Member &m : members)
                if (m.first == key)
                    return &m.second;
            return nullptr;
        };
        ++m_records;
        m_schemes |= Json;
        Parsed p;
        static constexpr std::string_view kClockKeys[] = {"Year", "Month", "Day",
                                                          "Hour", "Minute", "Second"};
        int clock[6] = {};
        bool dated = true;
        for (int i = 0; i < 6; ++i) {
            const std::string_view *v = value(kClockKeys[i]);
            dated = dated && v;
            clock[i] = v ? int(leadingNumber(*v)) : 0;
        }
        p.sample.clock =
            dated ? clockOf(clock[0], clock[1], clock[2], clock[3], clock[4], clock[5]) : kNoClock;
        // The camera's clock (its local time) is not read: the receiver's is UTC.
        if (value("MYear") && value("MMonth") && value("MDay") && value("MHour") &&
            value("MMinute") && value("MSecond"))
            m_schemes |= CameraClock;
        // Only an active receiver's objects hold a position.
        const std::string_view *status = value("status");
        if (status && *status == "A") {
            const std::string_view *lat = value("Latitude"), *lon = value("Longitude");
            const std::string_view *ns = value("NS"), *ew = value("EW");
            if (isTrue(lat) && isTrue(lon)) {
                p.sample.latitude = leadingNumber(*lat) * (ns && *ns == "S" ? -1 : 1);
                p.sample.longitude = leadingNumber(*lon) * (ew && *ew == "W" ? -1 : 1);
            }
            if (const std::string_view *knots = value("Speed"))
                p.sample.speedKmh = leadingNumber(*knots) * kKmhPerKnot;
        }
        p.sample.fix = p.sample.latitude != 0 && p.sample.longitude != 0 &&
                       std::fabs(p.sample.latitude) <= 90 && std::fabs(p.sample.longitude) <= 180;
        if (!p.sample.fix)
            p.sample.latitude = p.sample.longitude = p.sample.speedKmh = 0;
        p.sample.hasCourse = false;
        keep(p);
        at = close + 1;
    }
}

} // namespace ligo
