#pragma once
#include <cstdlib>
#include <optional>
#include <string>

namespace test_support {

// TMPDIR, the temporary folder the hand-back file goes to, set to `folder` for one scope.
class ScopedTmpDir {
public:
    explicit ScopedTmpDir(const std::string& folder) {
        if (const char* tmp = std::getenv("TMPDIR")) saved_ = tmp;
        ::setenv("TMPDIR", folder.c_str(), 1);
    }
    ~ScopedTmpDir() {
        if (saved_) {
            ::setenv("TMPDIR", saved_->c_str(), 1);
        } else {
            ::unsetenv("TMPDIR");
        }
    }
    ScopedTmpDir(const ScopedTmpDir&) = delete;
    ScopedTmpDir& operator=(const ScopedTmpDir&) = delete;

private:
    std::optional<std::string> saved_;
};

}  // namespace test_support
