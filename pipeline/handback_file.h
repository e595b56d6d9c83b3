#pragma once
#include <string>

// The file through which the program, run as an external editor, tells its host which
// file it saved.
namespace pipeline {

inline constexpr const char* kHandBackFileName = "__exportfromclarivane.txt";

// The user's temporary folder, ending in "/".
std::string TemporaryFolder();

// Replaces the hand-back file in `folder` (which ends in "/") by the bytes of
// `savedPath`: no byte order mark, no line end, no terminating zero. The new content is
// written to a fresh file beside it and renamed over the name, so a link planted under
// that name is replaced and never followed. Returns whether the file was written; the
// saving step ignores a failure.
bool WriteHandBackFile(const std::string& folder, const std::string& savedPath);

}  // namespace pipeline
