#pragma once
#include <functional>

namespace platform {

class ProgressSteps;

// Worker threads of the parallel loops: one per core unless set otherwise.
int WorkerCount();
// 0 goes back to one per core; tests and benchmarks set other counts.
void SetWorkerCount(int count);

// Work of one index on worker `worker` (0 .. WorkerCount() - 1); a worker
// runs one index at a time, so per-worker buffers need no lock.
using IndexWork = std::function<void(int index, int worker)>;

// Runs `work` for every index 0 .. count - 1 on the worker threads, handing
// the indices out in order. The calling thread never runs work: about every
// 20 ms, and once before any work starts, it steps `progress` (when given) up
// to the number of indices started and, when `stop` is given, lets pending
// messages run and asks `stop`; once `stop` answers true no further index is
// started. Returns true when every index was done. An exception of `work` or
// `stop` ends the run and passes to the caller once every worker has finished.
bool RunParallel(int count, const IndexWork& work, ProgressSteps* progress, const std::function<bool()>& stop);

// Bar steps to show once `started` indices (1 .. count) have been handed out.
using StepsAt = std::function<int(int started)>;

// The same, for indices worth more than one bar step each: the bar is stepped
// up to `stepsAt(started)` instead of `started`.
bool RunParallel(int count, const IndexWork& work, ProgressSteps* progress, const std::function<bool()>& stop,
                 const StepsAt& stepsAt);

// Work on rows first .. last - 1 on worker `worker`.
using BandWork = std::function<void(int first, int last, int worker)>;

// Cuts rows 0 .. rows - 1 into bands of `bandRows` (the last may be shorter)
// and runs them through RunParallel without progress or message pumping, for
// work too short to need either. Exceptions of `work` pass to the caller.
void RunRowBands(int rows, int bandRows, const BandWork& work);

}  // namespace platform
