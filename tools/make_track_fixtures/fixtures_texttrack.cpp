#include "fixturekit.h"

namespace fixturekit {

void addTextTrackFixtures(const BaseVideos &, const AddFixture &)
{
}

} // namespace fixturekit
