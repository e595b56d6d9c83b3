#include "own_process_run.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "pipeline/headless_window.h"

namespace workflowbench {

Figures RunInOwnProcess(const std::function<double()>& work) {
    int channel[2];
    if (pipe(channel) != 0) return {};
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        Figures figures;
        figures.seconds = work();
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        figures.peakMiB = usage.ru_maxrss / 1024.0;
        const ssize_t written = write(channel[1], &figures, sizeof figures);
        std::fflush(stdout);
        _exit(written == ssize_t(sizeof figures) ? 0 : 1);
    }
    close(channel[1]);
    Figures figures;
    const ssize_t got = read(channel[0], &figures, sizeof figures);
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return got == ssize_t(sizeof figures) ? figures : Figures{};
}

Figures RunWindowCase(const WindowStep& prepare, const WindowStep& run) {
    return RunInOwnProcess([&] {
        pipeline::HeadlessWindow window;
        prepare(window);
        const auto start = std::chrono::steady_clock::now();
        run(window);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!window.messages.empty())
            std::printf("  %s: %s\n", window.messages[0].caption.c_str(), window.messages[0].text.c_str());
        return seconds;
    });
}

namespace {

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

void PrintFigures(const char* name, const std::vector<Figures>& runs) {
    std::vector<double> seconds, peaks;
    for (const Figures& f : runs) {
        seconds.push_back(f.seconds);
        peaks.push_back(f.peakMiB);
    }
    std::printf("%s: median %.3f s, peak %.0f MiB (runs:", name, Median(seconds), Median(peaks));
    for (double s : seconds) std::printf(" %.3f", s);
    std::printf(" s)\n");
}

}  // namespace workflowbench
