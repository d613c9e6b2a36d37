#include "render/FontThread.h"

#include <exception>

namespace screen {

struct FontThread::Job
{
    const std::function<void()> *work = nullptr;
    bool done = false;
    std::exception_ptr failure; // what the job threw, thrown again to its caller
    std::condition_variable finished;
};

std::shared_ptr<FontThread> FontThread::Get()
{
    static std::mutex mutex;
    static std::weak_ptr<FontThread> running;
    std::lock_guard lock(mutex);
    std::shared_ptr<FontThread> thread = running.lock();
    if (!thread) {
        thread = std::make_shared<FontThread>();
        running = thread;
    }
    return thread;
}

FontThread::FontThread()
    : thread_([this] { Loop(); })
{}

FontThread::~FontThread()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void FontThread::Run(const std::function<void()> &job)
{
    if (std::this_thread::get_id() == thread_.get_id()) {
        job();
        return;
    }
    Job waiting;
    waiting.work = &job;
    std::unique_lock lock(mutex_);
    jobs_.push_back(&waiting);
    wake_.notify_one();
    waiting.finished.wait(lock, [&] { return waiting.done; });
    if (waiting.failure)
        std::rethrow_exception(waiting.failure);
}

void FontThread::Loop()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
        if (jobs_.empty())
            return; // stopping, with nothing left to do
        Job *job = jobs_.front();
        jobs_.pop_front();
        lock.unlock();
        try {
            (*job->work)();
        } catch (...) {
            job->failure = std::current_exception();
        }
        lock.lock();
        job->done = true;
        job->finished.notify_one();
    }
}

} // namespace screen
