#include "photo_options.h"

namespace photorun {

const char* const kUsage =
    "usage: photo-run PHOTO [--grid GRID.txt] [--grid-mode 0|1] [--smoothing S] [--lowpass L]\n"
    "       [--localization P] [--localization-max M] [--mask T] [--circle ROW,COL,RX,RY,PERCENT]...\n"
    "       [--three-plane] [--profile 0..3] [--brightness B] [--contrast C] [--crop LEFT,TOP]\n"
    "       [--zoom 100|200] [--preview OUT.ppm] [--patch OUT.ppm] [--final DIR] [--plugin]\n"
    "       [--thumbnail OUT.ppm] [--strip-exif]";

PhotoRunOptions ParsePhotoRunOptions(const std::vector<std::string>& args) {
    using enginerun::UsageError;
    PhotoRunOptions options;
    std::vector<std::string> positional;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.rfind("--", 0) != 0) {
            positional.push_back(arg);
            continue;
        }
        if (arg == "--three-plane") {
            options.threePlane = true;
            continue;
        }
        if (arg == "--plugin") {
            options.plugin = true;
            continue;
        }
        if (arg == "--strip-exif") {
            options.stripExif = true;
            continue;
        }
        if (i + 1 >= args.size()) throw UsageError(arg + " needs a value");
        const std::string& value = args[++i];
        if (arg == "--grid") {
            options.gridPath = value;
        } else if (arg == "--profile") {
            options.profile = enginerun::ParseIntOption(value, arg, 0, 3);
        } else if (arg == "--brightness") {
            options.brightness = enginerun::ParseIntOption(value, arg, -75, 75);
        } else if (arg == "--contrast") {
            options.contrast = enginerun::ParseIntOption(value, arg, -75, 75);
        } else if (arg == "--crop") {
            const std::vector<int> v = enginerun::ParseIntList(value, arg, 2);
            if (v[0] < 0 || v[1] < 0) throw UsageError("--crop expects LEFT,TOP of at least 0");
            options.cropLeft = v[0];
            options.cropTop = v[1];
        } else if (arg == "--zoom") {
            options.zoom = enginerun::ParseIntOption(value, arg, 100, 200);
            if (options.zoom != 100 && options.zoom != 200) throw UsageError("--zoom must be 100 or 200");
        } else if (arg == "--preview") {
            options.previewPath = value;
        } else if (arg == "--patch") {
            options.patchPath = value;
        } else if (arg == "--final") {
            options.finalFolder = value;
        } else if (arg == "--thumbnail") {
            options.thumbnailPath = value;
        } else if (!enginerun::ParseEngineOption(arg, value, options.engine)) {
            throw UsageError("unknown option " + arg);
        }
    }
    if (positional.size() != 1) throw UsageError("expected exactly one PHOTO");
    options.photo = positional[0];
    return options;
}

}  // namespace photorun
