#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Full path of a photo in the shared JPEG test folder.
std::string TestJpeg(const std::string& name);

std::vector<uint8_t> ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);

// A fresh path in the test's temporary folder.
std::string TempPath(const std::string& name);

// Standard output of a command; empty when it could not be run.
std::string RunCommand(const std::string& command);
