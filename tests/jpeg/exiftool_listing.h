#pragma once
#include <string>
#include <vector>

// One segment as exiftool's verbose listing reports it.
struct ListedSegment {
    std::string name;
    int payloadSize = -1;  // unknown for SOS
    long payloadOffset = -1;
};

// The segments exiftool lists for a JPEG file, up to its first scan header.
std::vector<ListedSegment> ListSegments(const std::string& path);

struct ListedTag {
    std::string group;
    std::string name;
    std::string value;
};

// Every occurrence of the requested tags (exiftool arguments such as
// "-IFD0:XResolution"), with numbers as numbers, in exiftool's order.
std::vector<ListedTag> ListTags(const std::string& path, const std::string& tagArguments);
