#pragma once
#include <cstddef>
#include <cstdint>
#include <iostream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "exif_builder.h"
#include "pipeline/jpgexif.h"
#include "platform/message_box.h"
#include "tests/support/test_files.h"

using pipeline::JPGExif;
using test_support::ReadFileBytes;
using test_support::TestData;
using E = ExifBuilder;
using Texts = std::vector<std::string>;

// Records every message box shown while it lives and answers it with OK.
struct MessageLog {
    MessageLog() {
        platform::SetMessageBoxHandler([this](const std::string& text, const std::string& caption, unsigned flags) {
            texts.push_back(text);
            captionAndFlags = {caption, flags};
            return int(platform::IDOK);
        });
    }
    ~MessageLog() { platform::SetMessageBoxHandler(nullptr); }
    std::vector<std::string> texts;
    std::pair<std::string, unsigned> captionAndFlags;  // of the last one
};
inline const std::pair<std::string, unsigned> kErrorBox{"JPGExif error", platform::MB_OK | platform::MB_ICONERROR};

// Collects what is written to the standard error stream while it lives.
struct ErrorStreamCapture {
    ErrorStreamCapture() : old(std::cerr.rdbuf(buffer.rdbuf())) {}
    ~ErrorStreamCapture() { std::cerr.rdbuf(old); }
    std::string Text() const { return buffer.str(); }
    std::ostringstream buffer;
    std::streambuf* old;
};

// Every "JPGExif error" while it lives: the message box of the first and the
// lines the reader writes for the others to the standard error stream.
struct ErrorCapture {
    // Box texts, then the texts of the error lines, in the order they came.
    Texts All() const {
        Texts all = boxes.texts;
        std::istringstream lines(stream.Text());
        const std::string prefix = "JPGExif error: ";
        for (std::string line; std::getline(lines, line);)
            if (line.compare(0, prefix.size(), prefix) == 0) all.push_back(line.substr(prefix.size()));
        return all;
    }
    MessageLog boxes;
    ErrorStreamCapture stream;
};

// Reads a JPEG held in memory the way the workflow does: through a stream.
inline bool ReadTable(JPGExif& table, const Bytes& bytes, int mode = JPGExif::kReadMetadata | JPGExif::kReadImage) {
    std::istringstream stream(std::string(bytes.begin(), bytes.end()));
    return table.ReadSections(stream, mode);
}

inline std::vector<int> SectionTypes(const pipeline::JPGExif& table) {
    std::vector<int> types;
    for (int i = 0; i < table.sectionsRead; ++i) types.push_back(table.sections[i].type);
    return types;
}

inline Bytes SectionBytes(const pipeline::JPGExif& table, int index) {
    const pipeline::JPGSection& s = table.sections[index];
    return {s.data.get(), s.data.get() + s.size};
}

// Reads any bytes as a JPEG, saves it with its own EXIF block to `output`, and says whether the
// table describes only bytes the input held. Shared by the fuzz target and the replay of its corpus.
inline bool ExerciseSections(const uint8_t* data, std::size_t size, const std::string& output) {
    JPGExif table;
    const bool complete = ReadTable(table, Bytes(data, data + size));
    if (table.sectionsRead < 0 || table.sectionsRead > table.sectionsAllocated ||
        (table.haveAll && (!complete || table.sections[table.sectionsRead - 1].type != JPGExif::kTypeImageData)))
        return false;
    std::size_t total = table.sectionsRead > 0 ? 2 : 0;  // SOI
    for (int i = 0; i < table.sectionsRead; ++i) {
        const pipeline::JPGSection& s = table.sections[i];
        const bool imageData = table.haveAll && i == table.sectionsRead - 1;
        if (!s.data || s.size < 0 || (!imageData && (s.size < 2 || ((s.data[0] << 8) | s.data[1]) != s.size)))
            return false;
        total += std::size_t(s.size);  // each section also had its marker in the input
    }
    if (total > size) return false;
    table.WriteWithExif(output, table);
    return true;
}
