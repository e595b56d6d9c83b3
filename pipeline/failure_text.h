#pragma once
#include <exception>
#include <string>

// What a failure message adds to its fixed text, so the user learns which file failed and why.
namespace pipeline {

// A blank line, then `path` and `reason`, each on a line of its own.
std::string CauseLines(const std::string& path, const std::string& reason);

// CauseLines of a file the system refused to open, read or write (`failure` carries a
// platform::FileError): its path and the system's reason. Empty for any other failure.
std::string FileCauseLines(const std::exception_ptr& failure);

// The message of a result that was not written: `text`, then `cause` (CauseLines or empty),
// then that nothing was stored and nothing replaced.
std::string NotStoredText(const std::string& text, const std::string& cause);

}  // namespace pipeline
