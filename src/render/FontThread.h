// The one thread on which every screen measures and renders its font.
//
// Qt keeps a font's engines per thread, and each engine opens its face on its
// own: a large CJK fallback face read on ten screen threads is mapped ten
// times over. Screens hand that work here instead, so the process opens each
// face once, on this thread (and once more on the window thread for the
// widgets). A screen waits for its job; the jobs are few, since what they
// produce is cached.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace screen {

class FontThread
{
public:
    // The running font thread, started on first use. It stops when the last
    // holder lets go, so it never outlives the fonts it made.
    static std::shared_ptr<FontThread> Get();

    FontThread();
    ~FontThread(); // finishes the queued jobs, then joins
    FontThread(const FontThread &) = delete;
    FontThread &operator=(const FontThread &) = delete;

    // Runs `job` on the font thread and returns once it has run; on the font
    // thread itself it runs at once. The job must not wait for a screen.
    void Run(const std::function<void()> &job);

private:
    struct Job;
    void Loop();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Job *> jobs_;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace screen
