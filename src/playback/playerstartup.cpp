#include "playerstartup.h"

#include <cstdio>
#include <cstring>

bool isPlayerStartFailure(const std::runtime_error &error)
{
    return std::strcmp(error.what(), "can't create mpv instance") == 0 ||
           std::strcmp(error.what(), "mpv failed to initialize") == 0;
}

int runWithPlayers(const std::function<int()> &body)
{
    try {
        return body();
    } catch (const std::runtime_error &error) {
        if (!isPlayerStartFailure(error))
            throw;
        std::fprintf(stderr,
                     "q-marl: cannot start the video player (%s); Q-MARL needs a working libmpv "
                     "(check the libmpv installation and Q_MARL_MPV_OPTIONS)\n",
                     error.what());
        std::fflush(stderr);
        return playerStartFailureStatus;
    }
}
