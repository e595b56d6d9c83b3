#include "engine/progress_status.h"

#include "platform/process_messages.h"
#include "platform/progress_controls.h"

namespace engine {
namespace {
constexpr int kStepsPerYield = 100;
}

void ProgressStatus::Reset(bool clearSuffix) {
    stepsSinceYield = 0;
    if (clearSuffix) suffix.clear();
}

void ProgressStatus::Restart(int max) {
    Reset(false);
    if (!bar) return;
    bar->SetMin(0);
    bar->SetMax(max);
    bar->SetPosition(0);
}

void ProgressStatus::SetStatus(const std::string& text) {
    if (!label) return;
    label->SetText(suffix.empty() ? text : text + " " + suffix);
    label->Repaint();
}

void ProgressStatus::AppendStatus(const std::string& text) {
    suffix = text;
    if (!label) return;
    label->SetText(label->Text() + " " + text);
    label->Repaint();
}

void ProgressStatus::Step(int n) {
    if (!bar) return;
    bar->SetPosition(bar->Position() + n);
    bar->Repaint();
    stepsSinceYield += n;
    if (stepsSinceYield >= kStepsPerYield) {
        platform::ProcessMessages();
        stepsSinceYield = 0;
    }
}

}  // namespace engine
