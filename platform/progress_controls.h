#pragma once
#include <string>

namespace platform {

// What a long operation may do with a progress bar it does not own.
class ProgressBarControl {
public:
    virtual ~ProgressBarControl() = default;
    virtual void SetMin(int value) = 0;
    virtual void SetMax(int value) = 0;
    virtual void SetPosition(int value) = 0;
    virtual int Min() const = 0;
    virtual int Max() const = 0;
    virtual int Position() const = 0;
    // Show the new state on screen at once.
    virtual void Repaint() = 0;
};

// What a parallel run (parallel_run.h) steps as it hands out its indices.
class ProgressSteps {
public:
    virtual ~ProgressSteps() = default;
    virtual void Step(int n) = 0;
};

// What a long operation may do with a status label it does not own.
class StatusLabelControl {
public:
    virtual ~StatusLabelControl() = default;
    virtual std::string Text() const = 0;
    virtual void SetText(const std::string& text) = 0;
    virtual void Repaint() = 0;
};

}  // namespace platform
