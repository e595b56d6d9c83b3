#pragma once
#include <string>

#include "platform/progress_controls.h"

namespace engine {

// Status text and progress bar of a long operation. The owner points `bar`
// and `label` at whatever the current operation shows, or at nothing.
class ProgressStatus : public platform::ProgressSteps {
public:
    platform::ProgressBarControl* bar = nullptr;
    platform::StatusLabelControl* label = nullptr;
    int stepsSinceYield = 0;
    // Appended, after one blank, to every status text.
    std::string suffix;

    void Reset(bool clearSuffix);
    // Reset(false), and the bar, if any, back to position 0 of the range 0..max.
    void Restart(int max);
    void SetStatus(const std::string& text);
    void AppendStatus(const std::string& text);
    // Advances the bar; lets pending messages run once 100 steps have gathered.
    void Step(int n) override;
};

}  // namespace engine
