#pragma once

#include <functional>
#include <stdexcept>

// A player's constructor throws std::runtime_error when libmpv cannot be created or
// initialised; without libmpv the viewer cannot work. Whoever creates the players runs that
// code through runWithPlayers: on one of those two failures the process gets one line on
// standard error and the exit status 1 instead of dying on an uncaught exception. Any other
// exception passes through unchanged.
//
//     return runWithPlayers([&] { KestroMainWidget window; window.show(); return app.exec(); });
bool isPlayerStartFailure(const std::runtime_error &error);
int runWithPlayers(const std::function<int()> &body);

constexpr int playerStartFailureStatus = 1;
