#pragma once
#include <cstddef>
#include <cstdint>

// Reads arbitrary bytes as a JPEG with metadata and image data, writes the
// result of saving it with its own EXIF block, and checks that the table
// describes only bytes the input held. False when the table is inconsistent.
// Shared by the fuzz target and the replay of its corpus.
bool ExerciseSections(const uint8_t* data, std::size_t size);
