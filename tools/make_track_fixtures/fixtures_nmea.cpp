#include "fixturekit.h"

namespace fixturekit {

void addNmeaFixtures(const BaseVideos &, const AddFixture &)
{
}

} // namespace fixturekit
