#include "platform/process_messages.h"

#include <utility>

namespace platform {
namespace {
std::function<void()>& Hook() {
    static std::function<void()> hook;
    return hook;
}
}  // namespace

void ProcessMessages() {
    if (Hook()) Hook()();
}

void SetProcessMessagesHook(std::function<void()> hook) { Hook() = std::move(hook); }

}  // namespace platform
