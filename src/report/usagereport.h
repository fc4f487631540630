#pragma once

// Sends this start's usage record; the answer is only logged.
void checkClientIdentify();
