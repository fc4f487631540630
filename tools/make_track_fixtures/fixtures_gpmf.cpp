#include "fixturekit.h"

namespace fixturekit {

void addGpmfFixtures(const BaseVideos &, const AddFixture &)
{
}

} // namespace fixturekit
