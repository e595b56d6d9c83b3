#pragma once
#include <string>

namespace pipeline {

// Whether a file of that name (compared without case, folder ignored) is
// mapped into this process, as /proc/self/maps lists the mappings.
bool IsModuleLoaded(const std::string& fileName);

}  // namespace pipeline
