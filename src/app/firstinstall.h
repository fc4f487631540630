#pragma once

// On the first start (no marker file in the per-user cache folder) writes the marker and
// resets the stored layout and preferences to their defaults.
void checkFirstInstall();
