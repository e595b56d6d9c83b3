#include "text_kernel_grid.h"

#include <vector>

#include "pgm_image.h"

namespace enginerun {

TextKernelGrid TextKernelGrid::Parse(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    if (lines.size() != kSize)
        throw FileError("grid has " + std::to_string(lines.size()) + " lines, not " + std::to_string(kSize));

    TextKernelGrid grid;
    for (int y = 0; y < kSize; ++y) {
        const std::string& line = lines[y];
        if (line.size() != kSize)
            throw FileError("grid line " + std::to_string(y + 1) + " has " + std::to_string(line.size()) +
                            " characters, not " + std::to_string(kSize));
        for (int x = 0; x < kSize; ++x) {
            uint32_t color;
            switch (line[x]) {
                case '.': color = 0; break;
                case 'c': color = kCoreColor; break;
                case 'r': color = kRimColor; break;
                default:
                    throw FileError("grid line " + std::to_string(y + 1) + " has '" + std::string(1, line[x]) +
                                    "' at character " + std::to_string(x + 1) + "; use '.', 'c' or 'r'");
            }
            grid.colors_[x * kSize + y] = color;
        }
    }
    return grid;
}

TextKernelGrid TextKernelGrid::ReadFile(const std::string& path) { return ParseFile(path, &Parse); }

}  // namespace enginerun
