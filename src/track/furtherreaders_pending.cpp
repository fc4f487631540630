#include "freegpsblocks.h"

// Layouts whose readers are still being written: they find nothing yet.
