#include "platform/message_box.h"

#include <iostream>
#include <utility>

namespace platform {
namespace {
MessageBoxHandler& Handler() {
    static MessageBoxHandler handler;
    return handler;
}
}  // namespace

int MessageBox(const std::string& text, const std::string& caption, unsigned flags) {
    if (Handler()) return Handler()(text, caption, flags);
    std::cerr << (caption.empty() ? std::string() : caption + ": ") << text << '\n';
    const unsigned buttons = flags & 0xF;
    if (buttons == MB_YESNO || buttons == MB_YESNOCANCEL) return IDYES;
    return IDOK;
}

void SetMessageBoxHandler(MessageBoxHandler handler) { Handler() = std::move(handler); }

}  // namespace platform
