#include "pipeline/plugin_mode.h"

namespace pipeline {

bool gPluginMode = false;
std::string gFileToOpen;

}  // namespace pipeline
