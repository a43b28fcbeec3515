// Runs an action when the scope ends, however it ends: a flag set for the
// length of a command is put back even when the command throws.
#pragma once

#include <utility>

namespace krv {

template <class Action>
class ScopeExit {
public:
    explicit ScopeExit(Action action) : action_(std::move(action)) {}
    ~ScopeExit() { action_(); }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

private:
    Action action_;
};

}  // namespace krv
