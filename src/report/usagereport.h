#pragma once

class LuHttpServer;

// Sends this start's usage record; the answer is only logged. Returns the one client of the
// process that posts it and receives the answer.
LuHttpServer *checkClientIdentify();
