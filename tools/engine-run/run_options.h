#pragma once
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace engine {
class ClassFFT;
}

namespace enginerun {

struct CircleOption {
    int row = 0;
    int column = 0;
    int radiusX = 0;
    int radiusY = 0;
    int percent = 0;
};

// The command line of engine-run. Settings left out keep the engine's defaults.
struct RunOptions {
    std::string inputPath;
    std::string outputPath;
    std::string gridPath;
    int white = 0;
    int gridMode = 0;
    std::optional<int> smoothing;
    std::optional<int> lowPass;
    std::optional<int> localization;
    std::optional<int> localizationMax;
    std::optional<int> mask;
    std::vector<CircleOption> circles;
    int rowOffset = 0;
    int columnOffset = 0;
};

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

extern const char* const kUsage;

// Throws UsageError with a message naming the bad argument.
RunOptions ParseRunOptions(const std::vector<std::string>& args);

// One whole number in min..max, or exactly `count` comma-separated ones;
// throw UsageError naming `option`.
int ParseIntOption(const std::string& text, const std::string& option, int min, int max);
std::vector<int> ParseIntList(const std::string& text, const std::string& option, std::size_t count);
// Takes an engine setting (grid mode, smoothing, low pass, localization and
// its maximum, mask, circle); false when `arg` is none of them.
bool ParseEngineOption(const std::string& arg, const std::string& value, RunOptions& options);
// The engine settings given into the engine; the others keep its defaults.
void ConfigureEngine(engine::ClassFFT& fft, const RunOptions& options);

}  // namespace enginerun
