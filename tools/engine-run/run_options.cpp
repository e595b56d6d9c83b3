#include "run_options.h"

#include <charconv>
#include <limits>

#include "engine/class_fft.h"

namespace enginerun {

const char* const kUsage =
    "usage: engine-run IN.pgm OUT.pgm GRID.txt --white N [--grid-mode 0|1] [--smoothing S]\n"
    "       [--lowpass L] [--localization P] [--localization-max M] [--mask T]\n"
    "       [--circle ROW,COL,RX,RY,PERCENT]... [--offset ROW,COL]";

int ParseIntOption(const std::string& text, const std::string& option, int min, int max) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end)
        throw UsageError(option + " expects a whole number, not '" + text + "'");
    if (value < min || value > max)
        throw UsageError(option + " must lie in " + std::to_string(min) + ".." + std::to_string(max));
    return value;
}

std::vector<int> ParseIntList(const std::string& text, const std::string& option, std::size_t count) {
    std::vector<int> values;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = text.find(',', start);
        const std::string part = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        values.push_back(ParseIntOption(part, option, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    if (values.size() != count)
        throw UsageError(option + " expects " + std::to_string(count) + " comma-separated numbers");
    return values;
}

bool ParseEngineOption(const std::string& arg, const std::string& value, RunOptions& options) {
    constexpr int kIntMax = std::numeric_limits<int>::max();
    if (arg == "--grid-mode") {
        options.gridMode = ParseIntOption(value, arg, 0, 1);
    } else if (arg == "--smoothing") {
        options.smoothing = ParseIntOption(value, arg, 0, 150);
    } else if (arg == "--lowpass") {
        options.lowPass = ParseIntOption(value, arg, 0, kIntMax);
    } else if (arg == "--localization") {
        options.localization = ParseIntOption(value, arg, 0, kIntMax);
    } else if (arg == "--localization-max") {
        options.localizationMax = ParseIntOption(value, arg, 0, kIntMax);
    } else if (arg == "--mask") {
        options.mask = ParseIntOption(value, arg, 0, kIntMax);
    } else if (arg == "--circle") {
        const std::vector<int> v = ParseIntList(value, arg, 5);
        options.circles.push_back({v[0], v[1], v[2], v[3], v[4]});
    } else {
        return false;
    }
    return true;
}

void ConfigureEngine(engine::ClassFFT& fft, const RunOptions& options) {
    if (options.smoothing) fft.kernelSmoothing = *options.smoothing;
    if (options.lowPass) fft.SetLowPass(*options.lowPass);
    fft.SetLocalization(options.localization.value_or(fft.localization),
                        options.localizationMax.value_or(fft.localizationMax));
    if (options.mask) fft.maskThreshold = *options.mask;
    for (const CircleOption& c : options.circles) {
        fft.AddCircle(c.row, c.column);
        fft.circles.back()->SetSize(c.radiusX, c.radiusY, c.percent);
    }
}

RunOptions ParseRunOptions(const std::vector<std::string>& args) {
    RunOptions options;
    std::vector<std::string> positional;
    bool whiteGiven = false;

    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.rfind("--", 0) != 0) {
            positional.push_back(arg);
            continue;
        }
        if (i + 1 >= args.size()) throw UsageError(arg + " needs a value");
        const std::string& value = args[++i];
        if (arg == "--white") {
            options.white = ParseIntOption(value, arg, 1, 65535);
            whiteGiven = true;
        } else if (arg == "--offset") {
            const std::vector<int> v = ParseIntList(value, arg, 2);
            options.rowOffset = v[0];
            options.columnOffset = v[1];
        } else if (!ParseEngineOption(arg, value, options)) {
            throw UsageError("unknown option " + arg);
        }
    }

    if (positional.size() != 3) throw UsageError("expected IN.pgm OUT.pgm GRID.txt");
    if (!whiteGiven) throw UsageError("--white is required");
    options.inputPath = positional[0];
    options.outputPath = positional[1];
    options.gridPath = positional[2];
    return options;
}

}  // namespace enginerun
