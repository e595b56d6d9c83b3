#pragma once
#include <string>

// The file through which the program, run as an external editor, tells its host which
// file it saved.
namespace pipeline {

inline constexpr const char* kHandBackFileName = "__exportfromclarivane.txt";

// The user's temporary folder ($TMPDIR, else /tmp), ending in "/".
std::string TemporaryFolder();

// Replaces the hand-back file in `folder` (which ends in "/") by the bytes of
// `savedPath`: no byte order mark, no line end, no terminating zero. The new content is
// written to a fresh file beside it and renamed over the name, so a link planted under
// that name is replaced and never followed. Returns whether the file was written; on a
// failure `reason` (when given) says why, and the file is as it was.
bool WriteHandBackFile(const std::string& folder, const std::string& savedPath, std::string* reason = nullptr);

// The message of a hand-back file that could not be written, although the result is saved.
std::string HandBackFailureText(const std::string& savedPath, const std::string& handBackPath,
                                const std::string& reason);

}  // namespace pipeline
