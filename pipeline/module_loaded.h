#pragma once
#include <istream>
#include <string>

namespace pipeline {

// Whether a file of that name (compared without case, folder ignored) is
// mapped into this process, as /proc/self/maps lists the mappings.
bool IsModuleLoaded(const std::string& fileName);

// The same test over a listing in the format of /proc/<pid>/maps.
bool MapsListModule(std::istream& maps, const std::string& fileName);

}  // namespace pipeline
