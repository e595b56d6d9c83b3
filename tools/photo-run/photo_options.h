#pragma once
#include <string>
#include <vector>

#include "run_options.h"

namespace photorun {

// The command line of photo-run. Engine settings are those of engine-run.
struct PhotoRunOptions {
    std::string photo;
    std::string gridPath;
    enginerun::RunOptions engine;
    bool threePlane = false;
    int profile = 0;
    int brightness = 0;
    int contrast = 0;
    int cropLeft = 0;
    int cropTop = 0;
    int zoom = 100;
    std::string previewPath;
    std::string patchPath;
    std::string finalFolder;
    bool plugin = false;
    std::string thumbnailPath;
    bool stripExif = false;
};

extern const char* const kUsage;

// Throws enginerun::UsageError naming the bad argument.
PhotoRunOptions ParsePhotoRunOptions(const std::vector<std::string>& args);

}  // namespace photorun
