// DrawSence: a game window's screen thread. It drains the input queue, decodes
// lines into the store, runs the triggers, and paints frames into a QImage that
// it hands to the window. It sleeps while there is nothing to do.
#pragma once

#include "core/automation/Triggers.h"
#include "core/screen/FrameLayout.h"
#include "core/screen/LineStore.h"
#include "core/screen/Palette.h"
#include "core/screen/Selection.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <QImage>

namespace screen {

class QtTextMeasure;

// What a frame hands to the window: the picture and the scroll bar's values.
struct FrameOutput
{
    QImage image;
    int barMaximum = 0;
    int barPosition = 0;
    QRgb background = 0; // background slot 0, for any part of the view the image does not cover
};

class DrawSence
{
public:
    // Frames are drawn at most this often; a flood coalesces into them.
    static constexpr std::chrono::milliseconds kFrameInterval{16};

    DrawSence();
    ~DrawSence(); // stops the thread

    // Called on the screen thread when a frame is ready to be taken with TakeFrame.
    // Only called when the previous frame was taken, so frames never pile up.
    std::function<void()> frameReady;
    // Called on the screen thread with the new lines of each update while mirroring.
    std::function<void(std::vector<std::string> texts)> mirrorOut;
    // Called on the screen thread with each fired trigger's command.
    std::function<void(std::string command)> fireCommand;

    void Start();
    void Stop();

    // Any thread: one item for the decoder, in order.
    void Enqueue(std::string item);

    // Window thread: the requests and fields of the frame.
    void RequestRedraw();
    void SetWindow(bool present);
    void SetViewSize(int width, int height);
    void SetScrollPos(int pos);
    int scrollPos() const { return scrollPos_.load(); }
    void SetSelection(const Selection &sel);
    void SetLook(const ScreenLook &look);
    ScreenLook Look() const;
    void SetMirror(bool on) { mirrorOn_ = on; }
    bool mirrorOn() const { return mirrorOn_; }

    // Takes the newest finished frame (null image when none waits).
    FrameOutput TakeFrame();

    // Window thread reads of the last frame; never overlap a frame being built.
    int ScreenRowCount() const;
    std::vector<std::string> SelectedText() const;

    // The window's trigger table and switch; shared with its runners.
    const std::shared_ptr<automation::TriggerEngine> &triggers() const { return triggers_; }

    // A copy of the store (tests and diagnostics).
    std::vector<DecodedLine> StoreSnapshot() const;
    std::size_t StoreSize() const;
    // Lines decoded since the start, without taking the store's lock.
    std::uint64_t LinesDecoded() const { return linesDecoded_.load(); }

private:
    void Run(std::stop_token stop);
    void DrainQueue();
    void DrawFrame();

    // Guards the queue, the requests and the frame's inputs.
    mutable std::mutex mutex_;
    std::condition_variable_any wake_;
    std::deque<std::string> inputQueue;
    bool redrawRequested = false;
    bool windowMissing = true;
    int viewWidth = 0;
    int viewHeight = 0;
    Selection selection_;
    ScreenLook look_;
    bool lookChanged_ = true;

    std::atomic<int> scrollPos_{-1};
    std::atomic<bool> mirrorOn_{false};
    std::atomic<std::uint64_t> linesDecoded_{0};

    // Store and decoder: changed only by the screen thread; the lock lets
    // other threads take a snapshot.
    mutable std::mutex storeMutex_;
    LineStore store_;

    // Held while a frame builds screenRows and selectedText.
    mutable std::mutex drawMutex_;
    Frame frame_;
    SelectionMarks marks_;

    // The finished frame waiting for the window.
    std::mutex outMutex_;
    FrameOutput out_;
    bool outWaiting_ = false;

    std::shared_ptr<automation::TriggerEngine> triggers_;
    std::unique_ptr<QtTextMeasure> measure_;
    std::chrono::steady_clock::time_point lastFrame_{};
    std::jthread thread_;
};

} // namespace screen
