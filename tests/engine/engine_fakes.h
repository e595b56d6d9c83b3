#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/kernel_grid_source.h"
#include "engine/memory_plane16.h"
#include "platform/process_messages.h"
#include "platform/progress_controls.h"

namespace enginetest {

class FakeKernelGrid : public engine::KernelGridSource {
public:
    void Set(int x, int y, uint32_t color = kCoreColor) { colors_[x * 100 + y] = color; }
    void Clear() { colors_.fill(0); }

    bool GetCell(int x, int y) const override { return colors_[x * 100 + y] != 0; }
    uint32_t GetCellColor(int x, int y) const override { return colors_[x * 100 + y]; }
    int GridMode() const override { return mode; }
    void RequestRepaint() override { ++repaints; }

    int mode = 0;
    int repaints = 0;

private:
    std::array<uint32_t, 100 * 100> colors_{};
};

class FakeProgressBar : public platform::ProgressBarControl {
public:
    void SetMin(int value) override { min = value; }
    void SetMax(int value) override { max = value; }
    void SetPosition(int value) override { position = value; }
    int Min() const override { return min; }
    int Max() const override { return max; }
    int Position() const override { return position; }
    void Repaint() override {}

    int min = -1;
    int max = -1;
    int position = -1;
};

class FakeStatusLabel : public platform::StatusLabelControl {
public:
    std::string Text() const override { return text; }
    void SetText(const std::string& value) override {
        text = value;
        history.push_back(value);
    }
    void Repaint() override { ++repaints; }

    std::string text;
    std::vector<std::string> history;
    int repaints = 0;
};

// A memory plane that counts how often the engine committed it.
class CountingPlane : public engine::MemoryPlane16 {
public:
    using MemoryPlane16::MemoryPlane16;
    void Commit() override { ++commits; }
    int commits = 0;
};

// Installs a process-messages hook for the lifetime of the object.
class MessagesHook {
public:
    explicit MessagesHook(std::function<void()> hook) { platform::SetProcessMessagesHook(std::move(hook)); }
    ~MessagesHook() { platform::SetProcessMessagesHook(nullptr); }
};

}  // namespace enginetest
