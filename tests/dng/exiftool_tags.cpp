#include "exiftool_tags.h"

#include <sstream>

#include "tests/support/test_files.h"

std::map<std::string, std::string> ExifToolTags(const std::string& path) {
    std::map<std::string, std::string> tags;
    std::istringstream lines(test_support::RunCommand("exiftool -args -n -G1 -a -EXIF:all -XMP:all '" + path + "'"));
    for (std::string line; std::getline(lines, line);) {
        const size_t colon = line.find(':'), equals = line.find('=');
        if (line.size() < 2 || line[0] != '-' || colon == std::string::npos || equals < colon) continue;
        const std::string group = line.substr(1, colon - 1);
        const bool ifd = group == "IFD0" || group.rfind("SubIFD", 0) == 0;
        tags[(ifd ? "IFD" : group) + line.substr(colon, equals - colon)] = line.substr(equals + 1);
    }
    return tags;
}

std::string ExifToolProblems(const std::string& path) {
    return test_support::RunCommand("exiftool -validate -error -warning -a -s '" + path +
                                    "' | grep -E '^(Warning|Error) ' || true");
}
