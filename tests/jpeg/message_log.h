#pragma once
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/message_box.h"

// Records every message box shown while it lives and answers it with OK.
class MessageLog {
public:
    struct Message {
        std::string text;
        std::string caption;
        unsigned flags;
    };

    MessageLog() {
        platform::SetMessageBoxHandler([this](const std::string& text, const std::string& caption, unsigned flags) {
            messages.push_back({text, caption, flags});
            return int(platform::IDOK);
        });
    }
    ~MessageLog() { platform::SetMessageBoxHandler(nullptr); }
    MessageLog(const MessageLog&) = delete;
    MessageLog& operator=(const MessageLog&) = delete;

    std::vector<std::string> Texts() const {
        std::vector<std::string> out;
        for (const Message& m : messages) out.push_back(m.text);
        return out;
    }

    std::vector<Message> messages;
};

// Collects what is written to the standard error stream while it lives.
class ErrorStreamCapture {
public:
    ErrorStreamCapture() : old_(std::cerr.rdbuf(buffer_.rdbuf())) {}
    ~ErrorStreamCapture() { std::cerr.rdbuf(old_); }
    ErrorStreamCapture(const ErrorStreamCapture&) = delete;
    ErrorStreamCapture& operator=(const ErrorStreamCapture&) = delete;
    std::string Text() const { return buffer_.str(); }

private:
    std::ostringstream buffer_;
    std::streambuf* old_;
};
