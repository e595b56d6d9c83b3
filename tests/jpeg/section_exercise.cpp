#include "section_exercise.h"

#include <sstream>
#include <string>

#include "pipeline/jpgexif.h"

bool ExerciseSections(const uint8_t* data, std::size_t size) {
    std::istringstream stream(std::string(reinterpret_cast<const char*>(data), size));
    pipeline::JPGExif table;
    const bool complete = table.ReadSections(stream, pipeline::JPGExif::kReadMetadata | pipeline::JPGExif::kReadImage);
    if (table.sectionsRead < 0 || table.sectionsRead > table.sectionsAllocated) return false;
    if (table.haveAll && (!complete || table.sections[table.sectionsRead - 1].type != pipeline::JPGExif::kTypeImageData))
        return false;

    std::size_t total = table.sectionsRead > 0 ? 2 : 0;  // SOI
    for (int i = 0; i < table.sectionsRead; ++i) {
        const pipeline::JPGSection& s = table.sections[i];
        if (!s.data || s.size < 0) return false;
        const bool imageData = table.haveAll && i == table.sectionsRead - 1;
        if (!imageData && (s.size < 2 || ((s.data[0] << 8) | s.data[1]) != s.size)) return false;
        total += std::size_t(s.size);
    }
    // Each section also had its marker in the input.
    if (total > size) return false;

    table.WriteWithExif("/dev/null", table);
    return true;
}
