#pragma once
#include <map>
#include <string>

// exiftool's EXIF and XMP tags of a file as "Group:Tag" -> value (numbers unformatted;
// IFD0 and the sub-IFDs all as "IFD", since a written DNG may move the raw image).
std::map<std::string, std::string> ExifToolTags(const std::string& path);

// exiftool's warnings and errors about a file, one a line.
std::string ExifToolProblems(const std::string& path);
