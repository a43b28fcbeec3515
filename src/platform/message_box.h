// Message boxes and the beep. The windows answer them with real dialogs,
// the command line on the terminal, and tests with a recording that holds
// the answers to give.
#pragma once

#include <deque>
#include <string>
#include <vector>

namespace krv {

class MessageBox {
public:
    virtual ~MessageBox() = default;
    // A box with an OK button only.
    virtual void ok(const std::string& title, const std::string& text) = 0;
    // A box with Yes and No buttons; true for Yes.
    virtual bool yesNo(const std::string& title, const std::string& text) = 0;
    virtual void beep() = 0;
};

// Records every box shown and answers Yes/No boxes from a queue (No when the
// queue is empty).
class RecordingMessageBox : public MessageBox {
public:
    struct Shown {
        std::string kind;  // "ok", "yesno" or "beep"
        std::string title;
        std::string text;
    };

    void ok(const std::string& title, const std::string& text) override { shown.push_back({"ok", title, text}); }
    bool yesNo(const std::string& title, const std::string& text) override {
        shown.push_back({"yesno", title, text});
        if (answers.empty()) return false;
        bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void beep() override { shown.push_back({"beep", "", ""}); }

    bool sawTitle(const std::string& title) const {
        for (const auto& s : shown)
            if (s.title == title) return true;
        return false;
    }

    std::vector<Shown> shown;
    std::deque<bool> answers;
};

}  // namespace krv
