#pragma once
#include <functional>
#include <vector>

namespace pipeline {
class HeadlessWindow;
}

namespace workflowbench {

struct Figures {
    double seconds = 0.0;
    double peakMiB = 0.0;
};

// Runs `work` in a child process of its own, so the peak memory is that of
// the one run; `work` returns the wall time it measured. Zeros when the child
// could not report.
Figures RunInOwnProcess(const std::function<double()>& work);

using WindowStep = std::function<void(pipeline::HeadlessWindow&)>;

// One run of a workflow case in its own process: a fresh headless window,
// `prepare` untimed, then `run` timed. The first message box shown, if any,
// is printed.
Figures RunWindowCase(const WindowStep& prepare, const WindowStep& run);

// One line: the case's name, the medians of wall time and peak memory, and each run's time.
void PrintFigures(const char* name, const std::vector<Figures>& runs);

}  // namespace workflowbench
