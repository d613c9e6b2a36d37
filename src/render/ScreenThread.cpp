#include "render/ScreenThread.h"

#include "core/platform/ThreadPriority.h"
#include "render/FramePainter.h"
#include "render/GbkCodec.h"
#include "render/QtTextMeasure.h"

namespace screen {

DrawSence::DrawSence()
    : triggers_(std::make_shared<automation::TriggerEngine>())
{
    store_.checkTriggers = [this](std::string_view text) { triggers_->CheckTriggers(text); };
    store_.markUnfinishedLine = [this](std::string_view raw) {
        triggers_->MarkUnfinishedLine(raw);
    };
    store_.mirror = [this](const std::vector<DecodedLine> &lines, std::size_t count) {
        if (!mirrorOn_ || !mirrorOut)
            return;
        std::vector<std::string> texts;
        texts.reserve(count);
        for (std::size_t k = 0; k < count; ++k)
            texts.push_back(lines[k].text);
        mirrorOut(std::move(texts));
    };
    triggers_->SetFire([this](std::string command) {
        if (fireCommand)
            fireCommand(std::move(command));
    });
    triggers_->SetThrottleNotice([this](std::string_view pattern) {
        // Shown on this screen like server text, once per held-back second.
        std::string line = "\x1b[1;33m";
        line += gbk::FromQString(QStringLiteral("触发器“"));
        line += pattern;
        line += gbk::FromQString(QStringLiteral("”一秒内触发超过%1次，本秒内暂停触发。")
                                     .arg(automation::TriggerEngine::kMaxFiresPerSecond));
        line += "\x1b[0m\r\n";
        Enqueue(std::move(line));
    });
}

DrawSence::~DrawSence()
{
    Stop();
}

void DrawSence::Start()
{
    if (!thread_.joinable())
        thread_ = std::jthread([this](std::stop_token stop) {
            platform::LowerOwnPriority();
            Run(stop);
        });
}

void DrawSence::Stop()
{
    if (thread_.joinable()) {
        thread_.request_stop();
        wake_.notify_all();
        thread_.join();
    }
}

void DrawSence::Enqueue(std::string item)
{
    {
        std::lock_guard lock(mutex_);
        inputQueue.push_back(std::move(item));
    }
    wake_.notify_one();
}

void DrawSence::RequestRedraw()
{
    {
        std::lock_guard lock(mutex_);
        redrawRequested = true;
    }
    wake_.notify_one();
}

void DrawSence::SetWindow(bool present)
{
    {
        std::lock_guard lock(mutex_);
        windowMissing = !present;
    }
    wake_.notify_one();
}

void DrawSence::SetViewSize(int width, int height)
{
    {
        std::lock_guard lock(mutex_);
        if (width <= 0 || height <= 0 || (width == viewWidth && height == viewHeight))
            return;
        viewWidth = width;
        viewHeight = height;
        redrawRequested = true;
    }
    wake_.notify_one();
}

void DrawSence::SetScrollPos(int pos)
{
    scrollPos_ = pos;
}

void DrawSence::SetSelection(const Selection &sel)
{
    std::lock_guard lock(mutex_);
    selection_ = sel;
}

void DrawSence::SetLook(const ScreenLook &look)
{
    std::lock_guard lock(mutex_);
    look_ = look;
    lookChanged_ = true;
}

ScreenLook DrawSence::Look() const
{
    std::lock_guard lock(mutex_);
    return look_;
}

FrameOutput DrawSence::TakeFrame()
{
    std::lock_guard lock(outMutex_);
    outWaiting_ = false;
    return std::move(out_);
}

int DrawSence::ScreenRowCount() const
{
    std::lock_guard lock(drawMutex_);
    return frame_.ScreenRowCount();
}

std::vector<std::string> DrawSence::SelectedText() const
{
    std::lock_guard lock(drawMutex_);
    return marks_.selectedText;
}

std::vector<DecodedLine> DrawSence::StoreSnapshot() const
{
    std::lock_guard lock(storeMutex_);
    std::vector<DecodedLine> copy;
    copy.reserve(store_.size());
    for (const StoredLine &l : store_.lines())
        copy.push_back({std::string(l.text), std::string(l.attrs)});
    return copy;
}

std::size_t DrawSence::StoreSize() const
{
    std::lock_guard lock(storeMutex_);
    return store_.size();
}

void DrawSence::Run(std::stop_token stop)
{
    while (!stop.stop_requested()) {
        bool draw = false;
        {
            std::unique_lock lock(mutex_);
            // Sleep until text is queued, a redraw can be drawn, or we are stopped.
            // A redraw waits out the frame interval so a flood coalesces.
            while (!stop.stop_requested()) {
                const bool canDraw = redrawRequested && !windowMissing;
                if (canDraw && std::chrono::steady_clock::now() - lastFrame_ >= kFrameInterval) {
                    draw = true;
                    break;
                }
                if (!inputQueue.empty())
                    break;
                if (canDraw)
                    wake_.wait_until(lock, stop, lastFrame_ + kFrameInterval,
                                     [&] { return !inputQueue.empty(); });
                else
                    wake_.wait(lock, stop, [&] {
                        return !inputQueue.empty() || (redrawRequested && !windowMissing);
                    });
            }
        }
        if (stop.stop_requested())
            break;
        if (draw)
            DrawFrame();
        DrainQueue();
    }
}

void DrawSence::DrainQueue()
{
    std::deque<std::string> items;
    {
        std::lock_guard lock(mutex_);
        items.swap(inputQueue);
    }
    if (items.empty())
        return;
    {
        std::lock_guard lock(storeMutex_);
        std::uint64_t lines = 0;
        for (const std::string &item : items)
            lines += store_.DecodeChunk(item);
        linesDecoded_ += lines;
    }
    if (scrollPos_.load() == -1) {
        std::lock_guard lock(mutex_);
        redrawRequested = true;
    }
}

void DrawSence::DrawFrame()
{
    ScreenLook look;
    int width, height;
    Selection sel;
    bool lookChanged;
    {
        std::lock_guard lock(mutex_);
        redrawRequested = false;
        look = look_;
        width = viewWidth;
        height = viewHeight;
        sel = selection_;
        lookChanged = lookChanged_;
        lookChanged_ = false;
    }
    lastFrame_ = std::chrono::steady_clock::now();
    if (width <= 0 || height <= 0)
        return;
    if (!measure_ || lookChanged)
        measure_ = std::make_unique<QtTextMeasure>(ScreenFont(look));

    const int rowHeight = look.RowHeight();
    const int rows = RowsFor(height, look.fontSize, look.lineSpacing);
    const int scrollPos = scrollPos_.load();

    QImage image(width, height, QImage::Format_RGB32);
    int stored = 0;
    {
        std::lock_guard drawLock(drawMutex_);
        {
            std::lock_guard storeLock(storeMutex_);
            stored = static_cast<int>(store_.size());
            const int bottom = ChooseBottomLine(scrollPos, stored, rows);
            BuildRows(*measure_, store_.lines(), bottom, rows, width, frame_);
        }
        PaintRows(image, *measure_, frame_, rows, look);
        if (sel.HasSelection()) {
            MarkSelection(*measure_, frame_, sel, width, marks_);
            PaintSelection(image, marks_, sel, rowHeight);
        }
    }

    {
        std::lock_guard lock(outMutex_);
        out_.image = std::move(image);
        out_.barMaximum = stored;
        out_.barPosition = scrollPos == -1 ? stored : scrollPos;
        out_.background = ToRgb(look.bgPalette[0]);
        if (outWaiting_)
            return; // the window has not taken the last one yet; it will take this one
        outWaiting_ = true;
    }
    if (frameReady)
        frameReady();
}

} // namespace screen
