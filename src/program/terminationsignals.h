#pragma once

// SIGTERM, SIGINT and SIGHUP (a logout, a kill, Ctrl+C in the terminal) close the windows the
// normal way, so the session is stopped and the process ends with status 0.
void closeWindowsOnTerminationSignals();
