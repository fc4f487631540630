#include "fixturekit.h"

namespace fixturekit {

void addFreeGpsBlockFixtures(const BaseVideos &, const AddFixture &)
{
}

} // namespace fixturekit
