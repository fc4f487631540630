#pragma once

// What the process must set for itself before the application object exists: the shared GL
// contexts the web view needs and, when running as root, the web engine's sandbox switch
// (it refuses to start as root otherwise).
void prepareProcessEnvironment();

// libmpv refuses to start under a numeric locale other than "C"; the application object sets
// the user's locale, so this runs right after it exists.
void useCNumericLocale();
