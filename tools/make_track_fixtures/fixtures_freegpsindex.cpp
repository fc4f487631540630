#include "fixturekit.h"

namespace fixturekit {

void addIndexedFreeGpsFixtures(const BaseVideos &, const AddFixture &)
{
}

} // namespace fixturekit
