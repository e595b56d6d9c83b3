#pragma once
#include <deque>
#include <string>
#include <vector>

#include "platform/message_box.h"

// Takes the message boxes while it lives: records each one and answers from
// `answers` in order (OK once they run out).
class MessageLog {
public:
    struct Message {
        std::string text;
        std::string caption;
        unsigned flags = 0;
    };

    MessageLog() {
        platform::SetMessageBoxHandler([this](const std::string& text, const std::string& caption, unsigned flags) {
            messages.push_back({text, caption, flags});
            if (answers.empty())
                return int(platform::IDOK);
            const int answer = answers.front();
            answers.pop_front();
            return answer;
        });
    }
    ~MessageLog() { platform::SetMessageBoxHandler(nullptr); }
    MessageLog(const MessageLog&) = delete;
    MessageLog& operator=(const MessageLog&) = delete;

    std::vector<Message> messages;
    std::deque<int> answers;
};
