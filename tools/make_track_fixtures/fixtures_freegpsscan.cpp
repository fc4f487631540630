#include "fixturekit.h"

namespace fixturekit {

void addScannedFreeGpsFixtures(const BaseVideos &, const AddFixture &)
{
}

} // namespace fixturekit
