#include "naming_hold.h"

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "dng/dng_publish_file.h"

namespace photorun {
namespace {

std::string gPrefix;

void HoldOnce(PublishStage stage, int) {
    if (stage != PublishStage::Written || gPrefix.empty()) return;
    const std::string go = gPrefix + ".go";
    std::ofstream(gPrefix + "." + std::to_string(::getpid())).put('1');
    gPrefix.clear();
    const auto until = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (::access(go.c_str(), F_OK) != 0 && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

}  // namespace

void HoldBeforeNamingWhenAsked() {
    const char* prefix = std::getenv("PHOTO_RUN_HOLD");
    if (!prefix || !*prefix) return;
    gPrefix = prefix;
    gPublishStageHook = HoldOnce;
}

}  // namespace photorun
