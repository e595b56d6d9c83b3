#pragma once
#include <cstddef>
#include <optional>
#include <string>

// How a final result is named and where it may go; shared by the DNG and the JPEG saving.
namespace pipeline {

// `name` with "-DB" inserted before its extension, the extension's letters kept as they are
// (P1.DNG -> P1-DB.DNG). `extension` is given in lower case with its dot (".dng", ".jpg");
// nullopt when `name` does not end in it, compared without regard to letter case.
std::optional<std::string> DeblurredName(const std::string& name, const std::string& extension);

// `path` for `number` 1, else `path` with "-NUMBER" inserted before its last
// `extensionLength` characters: x-DB.dng, x-DB-2.dng, x-DB-3.dng.
std::string NumberedName(const std::string& path, std::size_t extensionLength, unsigned long number);

// The file name part of a path: what follows its last "/".
std::string FileNamePart(const std::string& path);

// Whether writing to `destination` would replace the photo at `source`: the same path
// without regard to letter case, or another name of the same file on disk.
bool WouldOverwriteSource(const std::string& destination, const std::string& source);

// Caption and icon of the saving step's refusals.
inline constexpr const char* kSaveRefusalCaption = "Oops";

// The refusal of a destination that is the source photo itself.
inline constexpr const char* kSameAsSourceText =
    "Whoa... that's a bug...\n\nDestination folder and filename are the same as the original...\n\n"
    "This shouldn't happen because it would overwrite your original.\n\nThe result isn't stored.";

// The refusal of an auto-save folder that is gone.
std::string MissingFolderText(const std::string& folder);

// The refusal of a photo name that does not end in `extension` (".dng", ".jpg").
std::string UnsavableNameText(const std::string& name, const std::string& extension);

}  // namespace pipeline
