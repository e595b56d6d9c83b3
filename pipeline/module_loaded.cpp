#include "pipeline/module_loaded.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>

namespace pipeline {
namespace {

bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// The path of one maps line: everything after the five leading fields.
std::string MappedPath(const std::string& line) {
    std::istringstream fields(line);
    std::string skipped;
    for (int i = 0; i < 5; ++i)
        if (!(fields >> skipped)) return {};
    std::string path;
    std::getline(fields >> std::ws, path);
    const std::string deleted = " (deleted)";
    if (path.size() > deleted.size() && path.compare(path.size() - deleted.size(), deleted.size(), deleted) == 0)
        path.resize(path.size() - deleted.size());
    return path;
}

bool MapsListModule(std::istream& maps, const std::string& fileName) {
    std::string line;
    while (std::getline(maps, line)) {
        const std::string path = MappedPath(line);
        if (path.empty() || path[0] != '/') continue;
        if (SameNameIgnoringCase(path.substr(path.rfind('/') + 1), fileName)) return true;
    }
    return false;
}

}  // namespace

bool IsModuleLoaded(const std::string& fileName) {
    std::ifstream maps("/proc/self/maps");
    return maps && MapsListModule(maps, fileName);
}

}  // namespace pipeline
