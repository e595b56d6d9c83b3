#pragma once
#include <ostream>

#include "photo_options.h"
#include "pipeline/headless_window.h"

namespace photorun {

// The JPEG road of photo-run on a configured window: load the photo, then
// write the preview, deblur the crop into the patch and create the final
// result, as the options ask. True when everything asked for succeeded.
bool RunJpegPhoto(pipeline::HeadlessWindow& window, const PhotoRunOptions& options, std::ostream& log);

}  // namespace photorun
