#pragma once
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "pipeline/jpgexif.h"

// Reads a JPEG held in memory the way the workflow does: through a stream.
inline bool ReadTable(pipeline::JPGExif& table, const std::vector<uint8_t>& bytes,
                      int mode = pipeline::JPGExif::kReadMetadata | pipeline::JPGExif::kReadImage) {
    std::istringstream stream(std::string(bytes.begin(), bytes.end()));
    return table.ReadSections(stream, mode);
}

inline std::vector<int> SectionTypes(const pipeline::JPGExif& table) {
    std::vector<int> types;
    for (int i = 0; i < table.sectionsRead; ++i) types.push_back(table.sections[i].type);
    return types;
}

inline std::vector<uint8_t> SectionBytes(const pipeline::JPGExif& table, int index) {
    const pipeline::JPGSection& s = table.sections[index];
    return {s.data.get(), s.data.get() + s.size};
}
