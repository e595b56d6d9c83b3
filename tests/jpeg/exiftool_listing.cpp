#include "exiftool_listing.h"

#include <regex>
#include <sstream>

#include "tests/support/test_files.h"

using test_support::RunCommand;

std::vector<ListedSegment> ListSegments(const std::string& path) {
    const std::string out = RunCommand("exiftool -v3 '" + path + "'");
    std::vector<ListedSegment> list;
    const std::regex header(R"(^JPEG (\w+)(?: \((\d+) bytes\):)?$)");
    const std::regex hexLine(R"(^\s+([0-9a-f]+): )");
    std::istringstream lines(out);
    std::string line;
    bool wantOffset = false;
    while (std::getline(lines, line)) {
        std::smatch m;
        if (std::regex_match(line, m, header)) {
            wantOffset = false;
            ListedSegment s;
            s.name = m[1];
            if (m[2].matched) {
                s.payloadSize = std::stoi(m[2]);
                wantOffset = true;
            }
            list.push_back(s);
            // The table ends at the first scan; exiftool goes on through
            // the scan's restart markers and later scans.
            if (s.name == "SOS") break;
        } else if (wantOffset && std::regex_search(line, m, hexLine)) {
            list.back().payloadOffset = std::stol(m[1], nullptr, 16);
            wantOffset = false;
        }
    }
    return list;
}

std::vector<ListedTag> ListTags(const std::string& path, const std::string& tagArguments) {
    const std::string out = RunCommand("exiftool -a -n -s -G1 " + tagArguments + " '" + path + "'");
    const std::regex tagLine(R"(^\[([\w-]+)\]\s+(\w+)\s*: (.*)$)");
    std::vector<ListedTag> tags;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        std::smatch m;
        if (std::regex_match(line, m, tagLine)) tags.push_back({m[1], m[2], m[3]});
    }
    return tags;
}
