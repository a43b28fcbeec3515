#include "platform/qt_gui_thread_call.h"

#include <QThread>
#include <exception>
#include <memory>

namespace krv {

struct QtGuiThreadCall::Request {
    Request(std::function<void()> f, bool waitedFor) : call(std::move(f)), waited(waitedFor) {}

    std::function<void()> call;
    bool waited = false;  // run(): the caller owns the request and waits
    bool done = false;
    std::exception_ptr failure;
};

QtGuiThreadCall::QtGuiThreadCall(QObject* parent) : QObject(parent) {}

QtGuiThreadCall::~QtGuiThreadCall() {
    std::lock_guard lock(mutex_);
    for (Request* request : pending_)
        if (!request->waited) delete request;
}

void QtGuiThreadCall::run(const std::function<void()>& call) {
    if (QThread::currentThread() == thread()) {
        call();
        return;
    }
    Request request(call, true);
    enqueue(&request);
    std::unique_lock lock(mutex_);
    ran_.wait(lock, [&] { return request.done; });
    if (request.failure) std::rethrow_exception(request.failure);
}

void QtGuiThreadCall::post(std::function<void()> call) { enqueue(new Request(std::move(call), false)); }

void QtGuiThreadCall::enqueue(Request* request) {
    {
        std::lock_guard lock(mutex_);
        pending_.push_back(request);
    }
    // No arguments travel with Qt's event: the request waits in pending_.
    QMetaObject::invokeMethod(this, "runPending", Qt::QueuedConnection);
}

void QtGuiThreadCall::runPending() {
    for (;;) {
        Request* request = nullptr;
        {
            std::lock_guard lock(mutex_);
            if (pending_.empty()) return;
            request = pending_.front();
            pending_.pop_front();
        }
        if (!request->waited) {
            std::unique_ptr<Request> owned(request);
            owned->call();
            continue;
        }
        try {
            request->call();
        } catch (...) { request->failure = std::current_exception(); }
        std::lock_guard lock(mutex_);
        request->done = true;
        ran_.notify_all();
    }
}

}  // namespace krv
