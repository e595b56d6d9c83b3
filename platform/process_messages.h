#pragma once
#include <functional>

namespace platform {

// Lets pending window messages run inside a long computation. The
// application installs the real event pump; without one this does nothing.
void ProcessMessages();
void SetProcessMessagesHook(std::function<void()> hook);

}  // namespace platform
