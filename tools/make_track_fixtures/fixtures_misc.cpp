#include "fixturekit.h"

namespace fixturekit {

void addMiscFixtures(const BaseVideos &, const AddFixture &)
{
}

} // namespace fixturekit
