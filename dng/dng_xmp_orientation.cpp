#include "dng/dng_xmp_orientation.h"

#include <string>

std::vector<uint8> XMPWithOrientation(const std::vector<uint8>& xmp, uint32 orientation) {
    if (orientation < 1 || orientation > 8) return xmp;
    std::string text(xmp.begin(), xmp.end());
    const std::string name = "tiff:Orientation";
    const char digit = static_cast<char>('0' + orientation);
    for (size_t at = text.find(name); at != std::string::npos; at = text.find(name, at + name.size())) {
        size_t p = at + name.size();
        // Attribute: name, optional blanks, '=', optional blanks, quote. Element: '>' right after the name.
        while (p < text.size() && (text[p] == ' ' || text[p] == '\t')) ++p;
        if (p < text.size() && text[p] == '=') {
            ++p;
            while (p < text.size() && (text[p] == ' ' || text[p] == '\t')) ++p;
            if (p >= text.size() || (text[p] != '"' && text[p] != '\'')) continue;
            ++p;
        } else if (p < text.size() && text[p] == '>' && at > 0 && text[at - 1] == '<') {
            ++p;
        } else {
            continue;
        }
        while (p < text.size() && (text[p] == ' ' || text[p] == '\t' || text[p] == '\n' || text[p] == '\r')) ++p;
        size_t end = p;
        while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
        if (end == p) continue;
        text.replace(p, end - p, 1, digit);
    }
    return std::vector<uint8>(text.begin(), text.end());
}
