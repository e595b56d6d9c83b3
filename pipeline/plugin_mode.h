#pragma once
#include <string>

namespace pipeline {

// Set once by the program entry from its command line, before any window
// exists: whether the program runs as an external editor, and the photo it
// was started with. The save paths read them.
extern bool gPluginMode;
extern std::string gFileToOpen;

}  // namespace pipeline
