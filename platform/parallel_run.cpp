#include "platform/parallel_run.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/process_messages.h"
#include "platform/progress_controls.h"

namespace platform {
namespace {

std::atomic<int> gWorkerCount{0};

// What keeps a window responsive without spending the run on the event pump.
constexpr auto kTickInterval = std::chrono::milliseconds(20);

// One loop over the indices: hands them out, counts what was done and keeps
// the first error, after which no further index is started.
class Run {
public:
    Run(int count, const IndexWork& work) : count_(count), work_(work) {}

    void Worker(int id) {
        for (;;) {
            if (stopping_.load(std::memory_order_relaxed)) break;
            const int index = next_.fetch_add(1);
            if (index >= count_) break;
            try {
                work_(index, id);
                done_.fetch_add(1);
            } catch (...) {
                Fail(std::current_exception());
                break;
            }
        }
        std::lock_guard<std::mutex> lock(mutex_);
        ++finished_;
        wake_.notify_all();
    }

    void Fail(std::exception_ptr error) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!error_) error_ = error;
        stopping_ = true;
    }

    void Stop() { stopping_ = true; }
    // Indices handed out so far, never more than there are.
    int Started() const { return std::min(next_.load(), count_); }
    bool AllDone() const { return done_.load() == count_; }

    // Waits up to one tick for every worker to finish; true when they have.
    bool WaitForWorkers(int workers) {
        std::unique_lock<std::mutex> lock(mutex_);
        return wake_.wait_for(lock, kTickInterval, [&] { return finished_ == workers; });
    }

    std::exception_ptr Error() {
        std::lock_guard<std::mutex> lock(mutex_);
        return error_;
    }

private:
    const int count_;
    const IndexWork& work_;
    std::atomic<int> next_{0};
    std::atomic<int> done_{0};
    std::atomic<bool> stopping_{false};
    std::mutex mutex_;
    std::condition_variable wake_;
    int finished_ = 0;
    std::exception_ptr error_;
};

// Steps the bar to the indices started, the first one before any work; for a
// run that can be stopped, pumps messages and asks whether to stop.
class Ticker {
public:
    Ticker(int count, ProgressSteps* progress, const std::function<bool()>& stop, const StepsAt& stepsAt)
        : count_(count), progress_(progress), stop_(stop), stepsAt_(stepsAt) {}

    bool Tick(int started) {
        const int indices = std::min(std::max(started, 1), count_);
        const int target = stepsAt_ ? stepsAt_(indices) : indices;
        if (progress_ && target > reported_) progress_->Step(target - reported_);
        reported_ = std::max(reported_, target);
        if (!stop_) return false;
        ProcessMessages();
        return stop_();
    }

private:
    int count_;
    int reported_ = 0;
    ProgressSteps* progress_;
    const std::function<bool()>& stop_;
    const StepsAt& stepsAt_;
};

}  // namespace

int WorkerCount() {
    const int set = gWorkerCount.load();
    if (set > 0) return set;
    return std::max(1, int(std::thread::hardware_concurrency()));
}

void SetWorkerCount(int count) { gWorkerCount = std::max(count, 0); }

bool RunParallel(int count, const IndexWork& work, ProgressSteps* progress, const std::function<bool()>& stop) {
    return RunParallel(count, work, progress, stop, nullptr);
}

bool RunParallel(int count, const IndexWork& work, ProgressSteps* progress, const std::function<bool()>& stop,
                 const StepsAt& stepsAt) {
    if (count <= 0) return true;
    Ticker ticker(count, progress, stop, stepsAt);
    if (ticker.Tick(0)) return false;

    Run run(count, work);
    const int workers = std::min(WorkerCount(), count);
    std::vector<std::thread> threads;
    threads.reserve(workers);
    std::exception_ptr tickError;
    try {
        for (int id = 0; id < workers; ++id) threads.emplace_back([&run, id] { run.Worker(id); });
        bool finished = false;
        while (!finished) {
            finished = run.WaitForWorkers(workers);
            if (ticker.Tick(run.Started())) run.Stop();
        }
    } catch (...) {
        tickError = std::current_exception();
        run.Stop();
    }
    for (std::thread& thread : threads) thread.join();
    if (tickError) std::rethrow_exception(tickError);
    if (std::exception_ptr error = run.Error()) std::rethrow_exception(error);
    return run.AllDone();
}

void RunRowBands(int rows, int bandRows, const BandWork& work) {
    if (rows <= 0) return;
    const int size = std::max(bandRows, 1);
    const int bands = (rows - 1) / size + 1;
    RunParallel(
        bands,
        [&](int band, int worker) {
            const int first = band * size;
            work(first, std::min(rows, first + size), worker);
        },
        nullptr, nullptr);
}

}  // namespace platform
