#pragma once

// libX11 keeps one list of open input methods for the whole process and grows it with realloc,
// without a lock. Each player's video output opens an input method on its own thread when its
// first picture comes, so channels starting together can grow the list at once and free the same
// block twice. Opening and closing a few input methods first, on the GUI thread, leaves free
// slots behind, and the players' opens then have nothing to grow. Does nothing off X11.
void reserveX11InputMethodSlots();
