#pragma once
#include <string>

class dng_image;

// Writes planes of a 16-bit image as a binary PGM (one plane) or PPM (three planes;
// a one-plane image is written as grey). Returns false when the file cannot be written.
bool WriteNetpbm16(const dng_image& image, const std::string& path, bool colour);
