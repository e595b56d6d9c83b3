#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace test_support {

// Full path of a file in the test photos (tests/data, or the folder CLARIVANE_TESTDATA names in the
// environment), e.g. TestData("jpeg/leica_t_typ701.jpg").
std::string TestData(const std::string& relative);

std::vector<uint8_t> ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);

// A fresh empty folder under the system's temporary folder, removed with its content at the end.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Names of the entries of `folder`, sorted.
std::vector<std::string> FolderEntries(const std::string& folder);

// Standard output of a shell command; `status` gets its exit status (-1 when it could not run).
std::string RunCommand(const std::string& command, int* status = nullptr);

}  // namespace test_support
