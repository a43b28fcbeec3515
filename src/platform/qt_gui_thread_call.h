// Hands work from another thread to the thread that owns this object (the
// GUI thread): either waiting for it to have run, or not.
//
// The functions and their results pass through a mutex of our own rather
// than as arguments of Qt's queued calls: the thread checker then sees
// every hand-over, so it needs no exceptions for these, and a race it
// reports is a real one.
#pragma once

#include <QObject>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace krv {

class QtGuiThreadCall : public QObject {
    Q_OBJECT
public:
    explicit QtGuiThreadCall(QObject* parent = nullptr);
    // Calls still queued are dropped; no caller may be waiting in run().
    ~QtGuiThreadCall() override;

    // Runs call on this object's thread and returns when it has run; an
    // exception it throws is thrown here. Called on that thread, runs it at
    // once. The thread must keep handling events meanwhile.
    void run(const std::function<void()>& call);

    // Queues call to run on this object's thread, in order with the others.
    void post(std::function<void()> call);

private:
    struct Request;
    void enqueue(Request* request);
    Q_INVOKABLE void runPending();

    std::mutex mutex_;
    std::condition_variable ran_;
    std::deque<Request*> pending_;
};

}  // namespace krv
