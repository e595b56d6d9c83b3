// photo-run: takes one photo through the workflow object behind a headless
// main window, for benchmarks and cross-checks without the program's windows.
#include <iostream>
#include <string>
#include <vector>

#include "naming_hold.h"
#include "photo_options.h"
#include "photo_run.h"

int main(int argc, char** argv) {
    photorun::PhotoRunOptions options;
    try {
        options = photorun::ParsePhotoRunOptions(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const enginerun::UsageError& e) {
        std::cerr << "photo-run: " << e.what() << '\n' << photorun::kUsage << '\n';
        return photorun::kBadArguments;
    }
    photorun::HoldBeforeNamingWhenAsked();
    return photorun::RunPhoto(options, std::cerr);
}
