// DrawSence: a game window's screen thread. It takes the input queue a slice at
// a time and carries each slice down one road: decode, check the triggers,
// commit to the store, mirror, ask for a frame. Between slices it looks at stop
// requests and lets a due frame through, so a flood never hides the screen nor
// holds up closing. Frames are painted into one of two images that go back and
// forth between the screen and the window: each remembers what it shows, so a
// frame moves what only moved and paints what changed, and a frame that
// changed nothing is not painted. While the player reads back with the view
// split, the lower part keeps following the newest lines: each part keeps its
// own record of what it shows. It sleeps while there is nothing to do.
#pragma once

#include "core/automation/TriggerHost.h"
#include "core/automation/Triggers.h"
#include "core/screen/Decoder.h"
#include "core/screen/FrameLayout.h"
#include "core/screen/LineSink.h"
#include "core/screen/LineStore.h"
#include "core/screen/Palette.h"
#include "core/screen/Selection.h"
#include "core/screen/SplitView.h"
#include "core/screen/StoreSearch.h"
#include "render/FrameRepaint.h"
#include "render/RoomWatcher.h"
#include "render/ScreenHost.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
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
    // Running number of stored line 0 when the frame was drawn: the bar's
    // position plus this names the line the view stops on, however many
    // older lines drop out of the store later.
    std::uint64_t barBase = 0;
    // The pixels are those of the frame before (and `image` shares them):
    // only the scroll bar's values moved.
    bool barsOnly = false;
    // The image's rows as a ring: the view shows them from `ring.top` round.
    RingLines ring;
};

class DrawSence final : private automation::TriggerHost
{
public:
    // Frames are drawn at most this often; a flood coalesces into them.
    static constexpr std::chrono::milliseconds kFrameInterval{16};
    // Bytes decoded between looks at stop requests and due frames.
    static constexpr std::size_t kSliceBytes = 64 * 1024;
    // ...or this much decoder work, whichever comes first: reads that each end
    // inside a long escape run cost more than their bytes.
    static constexpr std::uint64_t kSliceWork = 16 * kSliceBytes;
    // The window stops reading its socket while more than this waits to be
    // decoded, and reads again once the queue is down to kResumeBytes.
    static constexpr std::size_t kQueueBound = 1 << 20;
    static constexpr std::size_t kResumeBytes = kQueueBound / 2;
    // Once this much has been decoded since memory last went back to the
    // system, the screen gives the freed memory back when the queue has been
    // empty for kQuietBeforeReturn: after a burst, not between its reads.
    static constexpr std::uint64_t kReturnAfterBytes = 8u << 20;
    static constexpr std::chrono::milliseconds kQuietBeforeReturn{200};

    DrawSence();
    ~DrawSence(); // stops the thread

    // The window this screen reports to; set before Start, outlives the thread.
    void SetHost(ScreenHost *host) { host_ = host; }
    // What waits for room in the queue (null for nothing); set before Start,
    // outlives the thread.
    void SetRoomWatcher(RoomWatcher *watcher) { roomWatcher_ = watcher; }

    void Start();
    void Stop();

    // Any thread: one item for the decoder, in order. This is the one place
    // where received bytes and echoes enter the screen.
    void Enqueue(std::string item) { Push(std::move(item)); }
    // The window's received text: returns true when the queue is now over its
    // bound, and the host's QueueDrained follows once it is down again. Only the caller
    // that pauses its reading takes part, so no other caller can take the
    // resume meant for it.
    bool EnqueueReceived(std::string item);
    // Bytes queued and not yet decoded, and the most there ever were.
    std::size_t QueuedBytes() const { return queuedBytes_.load(); }
    std::size_t MaxQueuedBytes() const { return maxQueuedBytes_.load(); }

    // Window thread: the requests and fields of the frame.
    void RequestRedraw();
    // A window that is not shown gets no frames and the screen keeps no image
    // for it; it is painted again when shown.
    void SetWindowPresent(bool present);
    void SetViewSize(int width, int height);
    // Where the view stands: -1 follows the newest line; otherwise the view
    // stops with line `line` (the store's running number, see
    // FrameOutput::barBase) at its bottom, and stays on that line as text
    // arrives and older lines drop out. `lowerRows` above 0 splits the view:
    // its lower part, that many rows, keeps showing the newest lines.
    void SetScroll(std::int64_t line, int lowerRows = 0);
    // Stored line at the bottom of the view (its index in the store now), or -1.
    int scrollPos() const;
    void SetSelection(const Selection &sel);
    void SetLook(const ScreenLook &look);
    ScreenLook Look() const;
    void SetMirror(bool on) { mirrorOn_ = on; }
    bool mirrorOn() const { return mirrorOn_; }

    // Any thread: what takes a copy of every finished line as it is stored
    // (the log); null for none. The screen holds it while it calls it.
    void SetLineSink(std::shared_ptr<LineSink> sink);
    // Any thread: `read` looks at the store under its lock (the search); the
    // screen's commits wait meanwhile, so it must be quick.
    void ReadStore(const std::function<void(const LineStore &)> &read) const;
    // Window thread: a found match the frames show as a selection while the
    // player has none of their own; nullopt for none.
    void SetMatch(std::optional<StoreMatch> match);

    // Takes the newest finished frame (null image when none waits).
    FrameOutput TakeFrame();
    // Window thread: the image a newer frame replaced in the view, for the
    // screen to paint the next frame into instead of a new one.
    void GiveBack(QImage shown);
    // Frames painted, and the rows painted in them (scrolled rows are not).
    std::uint64_t FramesPainted() const { return framesPainted_.load(); }
    std::uint64_t RowsPainted() const { return rowsPainted_.load(); }

    // Window thread reads of the last frame, published with it: they never
    // wait for a frame being painted. With the view split, the screen rows
    // are those of the upper part.
    int ScreenRowCount() const;
    std::vector<std::string> SelectedText() const;
    // The row texts the split view's lower part showed in the last frame;
    // empty when the view was not split (tests and diagnostics).
    std::vector<std::string> LowerRows() const;

    // The window's trigger table and switch; shared with its runners.
    const std::shared_ptr<automation::TriggerEngine> &triggers() const { return triggers_; }

    // A copy of the store (tests and diagnostics).
    std::vector<DecodedLine> StoreSnapshot() const;
    std::size_t StoreSize() const;
    // Lines and bytes decoded since the start, without taking the store's lock.
    std::uint64_t LinesDecoded() const { return linesDecoded_.load(); }
    std::uint64_t BytesDecoded() const { return bytesDecoded_.load(); }
    // Times freed memory went back to the system after a burst.
    int MemoryReturns() const { return memoryReturns_.load(); }
    // Waits this long after each slice (tests and measurements of a slow screen).
    void SetSliceDelay(std::chrono::microseconds delay) { sliceDelayUs_ = delay.count(); }
    // Bytes held by the decoder's buffers (tests: they shrink after a burst).
    std::size_t DecoderCapacity() const;

private:
    // The trigger engine's own lines, shown on this screen like server text.
    void FiringsHeldBack(std::string_view pattern) override;
    void ShowLine(std::string line) override { Enqueue(std::move(line)); }

    std::size_t Push(std::string item); // returns the bytes now queued
    void Run(std::stop_token stop);
    bool NextPiece(std::string_view &piece);
    void DecodeSlice();
    void DrawFrame();
    // What an image shows: the whole view in `upper`, or, split, each part in its own.
    struct PaintedParts
    {
        PaintedImage upper;
        PaintedImage lower;
    };
    // Paints the frame's rows into `image`, whole or split by `split`, and
    // records what it shows; returns the rows painted. A whole view turns
    // its rows as a ring when `scrolling` says so; split parts move pixels.
    int PaintParts(QImage &image, PaintedParts &shown, const SplitLayout &split,
                   const ScreenLook &look, std::uint64_t lookSerial, Scrolling scrolling);

    // Guards the queue, the requests and the frame's inputs.
    mutable std::mutex mutex_;
    std::condition_variable_any wake_;
    std::deque<std::string> inputQueue;
    bool redrawRequested = false;
    bool windowPresent_ = false;
    int viewWidth = 0;
    int viewHeight = 0;
    Selection selection_;
    ScreenLook look_;
    bool lookChanged_ = true;
    std::uint64_t lookSerial_ = 1; // counts looks: images painted in another are painted whole
    std::optional<StoreMatch> match_;
    std::int64_t scrollLine_ = -1; // running number of the line the view stops on; -1 follows
    int lowerRows_ = 0;            // rows of the split view's lower part; 0: not split

    mutable std::mutex sinkMutex_;
    std::shared_ptr<LineSink> lineSink_;

    std::atomic<std::int64_t> scrollLineSeen_{-1}; // scrollLine_, for reads without the lock
    std::atomic<std::uint64_t> storeFirstLine_{0};
    std::atomic<bool> mirrorOn_{false};
    std::atomic<std::uint64_t> linesDecoded_{0};
    std::atomic<std::uint64_t> bytesDecoded_{0};
    std::atomic<std::size_t> queuedBytes_{0};
    std::atomic<std::size_t> maxQueuedBytes_{0};
    std::atomic<bool> drainWanted_{false};
    std::atomic<long long> sliceDelayUs_{0};
    std::atomic<std::size_t> decoderCapacity_{0};
    std::atomic<int> memoryReturns_{0};
    std::atomic<std::uint64_t> framesPainted_{0};
    std::atomic<std::uint64_t> rowsPainted_{0};

    // Screen thread only: the item being decoded and how far it has got.
    std::string current_;
    std::size_t currentPos_ = 0;
    Decoder decoder_;
    Decoder::Batch batch_;
    std::vector<std::string> mirrored_;
    std::uint64_t unreturnedBytes_ = 0; // decoded since memory last went back

    // The store: changed only by the screen thread; the lock lets other
    // threads take a snapshot and is held only for the commit.
    mutable std::mutex storeMutex_;
    LineStore store_;

    // Screen thread only: the rows of the frame being built (the upper part's
    // while split) and the split view's lower part.
    Frame frame_;
    SelectionMarks marks_;
    std::vector<RowPrint> prints_;
    Frame lowerFrame_;
    std::vector<RowPrint> lowerPrints_;
    // What the images painted last show, newest first, by their pixels' address.
    std::vector<std::pair<const uchar *, PaintedParts>> painted_;
    const PaintedParts *Painted(const uchar *bits) const;

    // The finished frame waiting for the window, with what the window asks of it.
    mutable std::mutex outMutex_;
    FrameOutput out_;
    bool outWaiting_ = false;
    QImage spare_;              // given back by the window
    bool forgetImages_ = false; // the window dropped its images: what they showed goes
    // The frame handed last (the window shows it or will), its pixels' address
    // and its bar values. Held so that a frame whose rows did not change can
    // hand the same pixels again; dropped before its pixels are painted into.
    QImage handedImage_;
    const uchar *handed_ = nullptr;
    int handedBarMaximum_ = -1;
    int handedBarPosition_ = -1;
    int shownRows_ = 0;
    std::vector<std::string> shownSelection_;
    std::vector<std::string> shownLower_;

    ScreenHost *host_ = nullptr;
    RoomWatcher *roomWatcher_ = nullptr;
    std::shared_ptr<automation::TriggerEngine> triggers_;
    std::shared_ptr<QtTextMeasure> measure_;
    std::chrono::steady_clock::time_point lastFrame_{};
    std::jthread thread_;
};

} // namespace screen
