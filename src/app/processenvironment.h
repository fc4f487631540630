#pragma once

// Started without standard input (some launchers close it), the first file or socket the
// process opens would become descriptor 0, where any library that closes 0 by mistake would
// take it away. Puts /dev/null on each of 0, 1 and 2 that is closed; runs first in main.
void keepStandardDescriptorsOpen();

// What the process must set for itself before the application object exists: the shared GL
// contexts the web view needs and, when running as root, the web engine's sandbox switch
// (it refuses to start as root otherwise).
void prepareProcessEnvironment();

// libmpv refuses to start under a numeric locale other than "C"; the application object sets
// the user's locale, so this runs right after it exists.
void useCNumericLocale();
