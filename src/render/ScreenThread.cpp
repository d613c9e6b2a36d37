#include "render/ScreenThread.h"

#include "core/platform/MemoryReturn.h"
#include "core/platform/ThreadPriority.h"
#include "core/screen/MatchMarks.h"
#include "render/FramePainter.h"
#include "render/GbkCodec.h"
#include "render/QtTextMeasure.h"

#include <algorithm>
#include <sys/mman.h>

namespace screen {

namespace {

// A frame's pixels come straight from the system and go straight back when
// the window drops the frame. From the allocator, each screen thread would
// keep a frame-sized block in its own arena after the first frame is freed.
QImage NewFrameImage(int width, int height)
{
    const qsizetype bytesPerLine = qsizetype(width) * 4;
    const std::size_t bytes = std::size_t(bytesPerLine) * std::size_t(height);
    void *pixels =
        ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (pixels == MAP_FAILED)
        return QImage(width, height, QImage::Format_RGB32);
    struct Mapping
    {
        void *pixels;
        std::size_t bytes;
    };
    auto *mapping = new Mapping{pixels, bytes};
    return QImage(
        static_cast<uchar *>(pixels), width, height, bytesPerLine, QImage::Format_RGB32,
        [](void *info) {
            auto *m = static_cast<Mapping *>(info);
            ::munmap(m->pixels, m->bytes);
            delete m;
        },
        mapping);
}

} // namespace

DrawSence::DrawSence()
    : triggers_(std::make_shared<automation::TriggerEngine>())
{
    triggers_->SetHost(this);
}

DrawSence::~DrawSence()
{
    Stop();
    // The engine is shared with the window's runners and may outlive this
    // screen; nothing checks its lines any more.
    triggers_->SetHost(nullptr);
}

void DrawSence::FiringsHeldBack(std::string_view pattern)
{
    std::string line = "\x1b[1;33m";
    line += gbk::FromQString(QStringLiteral("触发器“"));
    line += pattern;
    line += gbk::FromQString(QStringLiteral("”一秒内触发超过%1次，本秒内暂停触发。")
                                 .arg(automation::TriggerEngine::kMaxFiresPerSecond));
    line += "\x1b[0m\r\n";
    Enqueue(std::move(line));
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

std::size_t DrawSence::Push(std::string item)
{
    const std::size_t size = item.size();
    std::size_t queued;
    {
        std::lock_guard lock(mutex_);
        inputQueue.push_back(std::move(item));
        queued = queuedBytes_ += size;
    }
    wake_.notify_one();
    std::size_t most = maxQueuedBytes_.load();
    while (queued > most && !maxQueuedBytes_.compare_exchange_weak(most, queued)) {
    }
    return queued;
}

bool DrawSence::EnqueueReceived(std::string item)
{
    if (Push(std::move(item)) <= kQueueBound)
        return false;
    drainWanted_ = true;
    // The screen thread may have drained past the mark in between.
    if (queuedBytes_.load() <= kResumeBytes && drainWanted_.exchange(false)) {
        return false;
    }
    return true;
}

void DrawSence::RequestRedraw()
{
    {
        std::lock_guard lock(mutex_);
        redrawRequested = true;
    }
    wake_.notify_one();
}

void DrawSence::SetWindowPresent(bool present)
{
    {
        std::lock_guard lock(mutex_);
        windowPresent_ = present;
        if (present)
            redrawRequested = true;
    }
    if (!present) {
        std::lock_guard lock(outMutex_);
        out_.image = QImage();
        spare_ = QImage();
        handedImage_ = QImage();
        forgetImages_ = true;
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

void DrawSence::SetScroll(std::int64_t line, int lowerRows)
{
    {
        std::lock_guard lock(mutex_);
        scrollLine_ = line < 0 ? -1 : line;
        lowerRows_ = std::max(lowerRows, 0);
        scrollLineSeen_ = scrollLine_;
    }
}

int DrawSence::scrollPos() const
{
    const std::int64_t line = scrollLineSeen_.load();
    if (line < 0)
        return -1;
    const auto first = static_cast<std::int64_t>(storeFirstLine_.load());
    return static_cast<int>(std::max<std::int64_t>(line - first, 0));
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
    ++lookSerial_;
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
    FrameOutput taken = std::move(out_);
    out_ = FrameOutput{};
    return taken;
}

void DrawSence::GiveBack(QImage shown)
{
    std::lock_guard lock(outMutex_);
    std::lock_guard windowLock(mutex_);
    // A window hidden since keeps no image.
    if (windowPresent_ && spare_.isNull())
        spare_ = std::move(shown);
}

const DrawSence::PaintedParts *DrawSence::Painted(const uchar *bits) const
{
    for (const auto &[at, shown] : painted_)
        if (at == bits)
            return &shown;
    return nullptr;
}

int DrawSence::ScreenRowCount() const
{
    std::lock_guard lock(outMutex_);
    return shownRows_;
}

std::vector<std::string> DrawSence::SelectedText() const
{
    std::lock_guard lock(outMutex_);
    return shownSelection_;
}

std::vector<std::string> DrawSence::LowerRows() const
{
    std::lock_guard lock(outMutex_);
    return shownLower_;
}

void DrawSence::SetLineSink(std::shared_ptr<LineSink> sink)
{
    std::lock_guard lock(sinkMutex_);
    lineSink_ = std::move(sink);
}

void DrawSence::ReadStore(const std::function<void(const LineStore &)> &read) const
{
    std::lock_guard lock(storeMutex_);
    read(store_);
}

void DrawSence::SetMatch(std::optional<StoreMatch> match)
{
    std::lock_guard lock(mutex_);
    match_ = match;
}

std::size_t DrawSence::DecoderCapacity() const
{
    return decoderCapacity_.load();
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
        bool decode = false;
        {
            std::unique_lock lock(mutex_);
            // Sleep until text is queued, a redraw can be drawn, or we are stopped.
            // A redraw waits out the frame interval so a flood coalesces.
            while (!stop.stop_requested()) {
                const bool canDraw = redrawRequested && windowPresent_;
                if (canDraw && std::chrono::steady_clock::now() - lastFrame_ >= kFrameInterval)
                    draw = true;
                decode = !inputQueue.empty() || currentPos_ < current_.size();
                if (draw || decode)
                    break;
                if (canDraw)
                    wake_.wait_until(lock, stop, lastFrame_ + kFrameInterval,
                                     [&] { return !inputQueue.empty(); });
                else if (unreturnedBytes_ < kReturnAfterBytes)
                    wake_.wait(lock, stop, [&] {
                        return !inputQueue.empty() || (redrawRequested && windowPresent_);
                    });
                else if (!wake_.wait_for(lock, stop, kQuietBeforeReturn, [&] {
                             return !inputQueue.empty() || (redrawRequested && windowPresent_);
                         })) {
                    // Quiet since a large burst drained: what it freed goes back.
                    unreturnedBytes_ = 0;
                    lock.unlock();
                    platform::ReturnFreedMemory();
                    ++memoryReturns_;
                    lock.lock();
                }
            }
        }
        if (stop.stop_requested())
            break;
        if (draw)
            DrawFrame();
        if (decode)
            DecodeSlice();
    }
}

bool DrawSence::NextPiece(std::string_view &piece)
{
    if (currentPos_ >= current_.size()) {
        std::lock_guard lock(mutex_);
        if (inputQueue.empty())
            return false;
        current_ = std::move(inputQueue.front());
        inputQueue.pop_front();
        currentPos_ = 0;
    }
    piece = std::string_view(current_).substr(currentPos_);
    return true;
}

void DrawSence::DecodeSlice()
{
    // 1. Decode a bounded slice, whole lines only except where an item ends,
    // and run the triggers on each line as it is decoded.
    batch_.count = 0;
    const bool mirroring = mirrorOn_ && host_;
    mirrored_.clear();
    std::size_t budget = kSliceBytes;
    std::size_t taken = 0;
    bool partialBuilt = false;
    std::string_view piece;
    const std::uint64_t workAtStart = decoder_.work();
    while (budget > 0 && decoder_.work() - workAtStart < kSliceWork && NextPiece(piece)) {
        const std::size_t before = batch_.count;
        const std::size_t used = decoder_.Feed(piece, batch_, budget);
        currentPos_ += used;
        taken += used;
        budget -= std::min(used, budget);
        for (std::size_t k = before; k < batch_.count; ++k) {
            triggers_->CheckTriggers(batch_.lines[k].text);
            if (mirroring)
                mirrored_.push_back(batch_.lines[k].text);
        }
        // An item that ends inside a line: its present form is offered like
        // any line, then rows matching the raw remainder sit out its completion.
        partialBuilt = currentPos_ == current_.size() && decoder_.inLine();
        if (partialBuilt) {
            for (const DecodedLine &d : decoder_.PartialForm()) {
                triggers_->CheckTriggers(d.text);
                if (mirroring)
                    mirrored_.push_back(d.text);
            }
            triggers_->MarkUnfinishedLine(decoder_.PartialRaw());
        }
        if (currentPos_ == current_.size()) {
            current_.clear();
            currentPos_ = 0;
        }
    }
    // 2. Commit to the store.
    {
        std::lock_guard lock(storeMutex_);
        if (partialBuilt)
            store_.Commit(batch_.lines.data(), batch_.count, &decoder_.PartialForm(),
                          decoder_.TakeUnchanged());
        else
            store_.Commit(batch_.lines.data(), batch_.count);
        storeFirstLine_ = store_.firstLine();
    }
    if (batch_.count > 0) {
        std::shared_ptr<LineSink> sink;
        {
            std::lock_guard lock(sinkMutex_);
            sink = lineSink_;
        }
        if (sink)
            sink->TakeLines(batch_.lines.data(), batch_.count);
    }
    linesDecoded_ += batch_.count;
    bytesDecoded_ += taken;
    unreturnedBytes_ += taken;
    // 3. The mirror.
    if (mirroring && !mirrored_.empty())
        host_->MirrorLines(std::move(mirrored_));
    // 4. A frame, when the view follows the newest line or its lower part does.
    {
        std::lock_guard lock(mutex_);
        if (scrollLine_ == -1 || lowerRows_ > 0)
            redrawRequested = true;
    }
    // Back-pressure: the window reads again once the queue is down.
    const std::size_t left = queuedBytes_ -= taken;
    if (left <= kResumeBytes && drainWanted_.exchange(false) && host_)
        host_->QueueDrained();
    if (taken > 0 && roomWatcher_)
        roomWatcher_->RoomMade();
    if (left == 0) {
        // The burst is over: its buffers go back.
        decoder_.Shrink();
        batch_.Shrink();
        if (current_.capacity() > Decoder::kKeepCapacity)
            std::string().swap(current_);
    }
    std::size_t capacity = decoder_.capacity() + current_.capacity();
    for (const DecodedLine &d : batch_.lines)
        capacity += d.text.capacity() + d.attrs.capacity();
    decoderCapacity_ = capacity;
    if (const long long delay = sliceDelayUs_.load(); delay > 0)
        std::this_thread::sleep_for(std::chrono::microseconds(delay));
}

namespace {

// Lines `top`.. of `image` as an image of their own, sharing its pixels; the
// image must not be shared with anyone else while the view is used.
QImage Band(QImage &image, int top, int height)
{
    return QImage(image.bits() + qsizetype(top) * image.bytesPerLine(), image.width(), height,
                  image.bytesPerLine(), image.format());
}

// The divider of the split view: a line in foreground slot 8 (grey) on the background.
void PaintDivider(QImage &image, const SplitLayout &split, const ScreenLook &look)
{
    const Canvas canvas(image);
    const std::uint32_t background = ToRgb(look.bgPalette[0]);
    const std::uint32_t line = ToRgb(look.fgPalette[8]);
    for (int k = 0; k < SplitLayout::kDividerHeight; ++k) {
        const int y = split.dividerTop + k;
        if (y >= 0 && y < canvas.height)
            std::fill(canvas.Line(y), canvas.Line(y) + canvas.width,
                      k == SplitLayout::kDividerHeight / 2 ? line : background);
    }
}

} // namespace

int DrawSence::PaintParts(QImage &image, PaintedParts &shown, const SplitLayout &split,
                          const ScreenLook &look, std::uint64_t lookSerial, Scrolling scrolling)
{
    if (!split.open()) {
        shown.lower = PaintedImage{};
        return RepaintRows(image, shown.upper, *measure_, frame_, prints_, look, lookSerial,
                           scrolling)
            .painted;
    }
    // Each part is painted through its own band of the one image, so each
    // keeps its rows and moves them on its own: new lines scroll the lower
    // part while the upper one stays as it is.
    if (image.format() != QImage::Format_RGB32) {
        image = image.convertToFormat(QImage::Format_RGB32);
        shown = PaintedParts{};
    }
    image.bits(); // the pixels are this image's own before bands view them
    const int lowerHeight = image.height() - split.lowerTop;
    QImage upper = Band(image, 0, split.dividerTop);
    QImage lower = Band(image, split.lowerTop, lowerHeight);
    int painted =
        RepaintRows(upper, shown.upper, *measure_, frame_, prints_, look, lookSerial).painted;
    painted +=
        RepaintRows(lower, shown.lower, *measure_, lowerFrame_, lowerPrints_, look, lookSerial)
            .painted;
    PaintDivider(image, split, look);
    return painted;
}

void DrawSence::DrawFrame()
{
    ScreenLook look;
    int width, height;
    Selection sel;
    bool lookChanged;
    std::uint64_t lookSerial;
    std::optional<StoreMatch> match;
    std::int64_t scrollLine;
    int lowerWanted;
    {
        std::lock_guard lock(mutex_);
        redrawRequested = false;
        look = look_;
        width = viewWidth;
        height = viewHeight;
        sel = selection_;
        lookChanged = lookChanged_;
        lookChanged_ = false;
        lookSerial = lookSerial_;
        match = match_;
        scrollLine = scrollLine_;
        lowerWanted = lowerRows_;
    }
    lastFrame_ = std::chrono::steady_clock::now();
    if (width <= 0 || height <= 0)
        return;
    if (!measure_ || lookChanged)
        measure_ = QtTextMeasure::ForLook(look);
    // Screens showing the same font share its measure and glyphs.
    std::unique_lock measureLock = measure_->Lock();

    const int rowHeight = look.RowHeight();
    const int rows = RowsFor(height, look.fontSize, look.lineSpacing);
    // Only a view that stops somewhere splits: following, it shows the newest lines already.
    const SplitLayout split =
        LayOutSplit(height, rowHeight, rows, scrollLine == -1 ? 0 : lowerWanted);
    const int upperRows = split.open() ? split.upperRows : rows;

    int stored = 0;
    int scrollPos = -1;
    std::uint64_t firstLine = 0;
    {
        std::lock_guard storeLock(storeMutex_);
        stored = static_cast<int>(store_.size());
        firstLine = store_.firstLine();
        // The view stays on its line while older lines drop out; a line gone
        // from the store leaves the view on the oldest one there is.
        if (scrollLine != -1)
            scrollPos = static_cast<int>(
                std::max<std::int64_t>(scrollLine - static_cast<std::int64_t>(firstLine), 0));
        const int bottom = ChooseBottomLine(scrollPos, stored, upperRows);
        BuildRows(*measure_, store_.lines(), bottom, upperRows, width, frame_);
        // A found match shows as a selection while the player has none.
        if (match && !sel.HasSelection() && match->line >= store_.firstLine()) {
            const std::uint64_t index = match->line - store_.firstLine();
            if (index < store_.size())
                if (auto marked =
                        SelectionForMatch(*measure_, store_.lines(), bottom, frame_, width,
                                          std::size_t(index), match->start, match->length))
                    sel = *marked;
        }
        if (split.open())
            BuildRows(*measure_, store_.lines(), ChooseBottomLine(-1, stored, split.lowerRows),
                      split.lowerRows, width, lowerFrame_);
    }
    // A selection lies in the upper part: what reaches below it is cut at its last row.
    if (split.open() && sel.HasSelection()) {
        if (sel.selFirstRow >= upperRows) {
            sel.Clear();
        } else if (sel.selLastRow >= upperRows) {
            sel.selLastRow = upperRows - 1;
            sel.selEndX = width;
        }
    }
    // Marked every frame, so that a cleared selection hands out no text.
    MarkSelection(*measure_, frame_, sel, width, marks_);
    PrintRows(frame_, upperRows, prints_);
    if (split.open())
        PrintRows(lowerFrame_, split.lowerRows, lowerPrints_);
    const int barMaximum = stored;
    const int barPosition = scrollPos == -1 ? stored : scrollPos;
    const int upperHeight = split.open() ? split.dividerTop : height;
    const auto showsThis = [&](const PaintedParts &last) {
        if (!ShowsRows(last.upper, prints_, width, upperHeight, lookSerial))
            return false;
        if (!split.open())
            return last.lower.width == -1;
        return ShowsRows(last.lower, lowerPrints_, width, height - split.lowerTop, lookSerial);
    };

    // The image to paint into: the frame the window has not taken yet, else
    // the one it gave back. Unless the window already shows these rows.
    QImage image;
    bool barsOnly = false;
    {
        std::lock_guard lock(outMutex_);
        shownRows_ = frame_.ScreenRowCount();
        shownSelection_ = marks_.selectedText;
        shownLower_.clear();
        for (int k = 0; split.open() && k < lowerFrame_.ScreenRowCount(); ++k)
            shownLower_.push_back(lowerFrame_.ScreenRow(k)->text);
        {
            std::lock_guard windowLock(mutex_);
            if (!windowPresent_)
                return; // hidden since the frame began: no image for it
        }
        if (forgetImages_) {
            painted_.clear();
            handed_ = nullptr;
            forgetImages_ = false;
        }
        const PaintedParts *last = Painted(handed_);
        if (!sel.HasSelection() && last && showsThis(*last)) {
            if (barMaximum == handedBarMaximum_ && barPosition == handedBarPosition_)
                return; // nothing changed
            {
                std::lock_guard windowLock(mutex_);
                if (!windowPresent_)
                    return;
            }
            handedBarMaximum_ = out_.barMaximum = barMaximum;
            handedBarPosition_ = out_.barPosition = barPosition;
            out_.barBase = firstLine;
            out_.background = ToRgb(look.bgPalette[0]);
            if (out_.image.isNull()) {
                out_.image = handedImage_;
                out_.barsOnly = true;
            }
            if (outWaiting_)
                return;
            outWaiting_ = true;
            barsOnly = true;
        } else if (!out_.image.isNull() && !out_.barsOnly) {
            // Not taken yet: painted again, so the one reference must be this.
            handedImage_ = QImage();
            handed_ = nullptr;
            image = std::move(out_.image);
            out_ = FrameOutput{};
        } else {
            out_ = FrameOutput{};
            image = std::move(spare_);
            spare_ = QImage();
        }
    }
    if (barsOnly) {
        measureLock.unlock();
        if (host_)
            host_->FrameReady();
        return;
    }
    if (image.width() != width || image.height() != height)
        image = QImage();
    PaintedParts shown;
    if (image.isNull()) {
        image = NewFrameImage(width, height);
    } else if (auto known =
                   std::find_if(painted_.begin(), painted_.end(),
                                [&](const auto &e) { return e.first == image.constBits(); });
               known != painted_.end()) {
        // The image's own record, taken over (its entry is replaced below),
        // unless painting will copy the pixels to an address of their own.
        if (image.isDetached())
            shown = std::move(known->second);
        else
            shown = known->second;
    }
    // An image someone else still holds is copied when painting starts; the
    // copy shows the same, and is recorded under its own address below.
    // Following the newest lines, the rows turn as a ring and no pixel moves;
    // a selection is painted over rows in their places.
    const int painted =
        PaintParts(image, shown, split, look, lookSerial,
                   sel.HasSelection() ? Scrolling::kMovePixels : Scrolling::kTurnRing);
    if (sel.HasSelection()) {
        PaintSelection(image, marks_, sel, rowHeight);
        shown.upper.marked = true;
    }
    measureLock.unlock();
    const RingLines ring = RingOf(shown.upper, rowHeight);
    const uchar *bits = image.constBits();
    std::erase_if(painted_, [&](const auto &entry) { return entry.first == bits; });
    painted_.insert(painted_.begin(), {bits, std::move(shown)});
    // Two images go back and forth; a third only while one is not given back.
    if (painted_.size() > 3)
        painted_.pop_back();
    ++framesPainted_;
    rowsPainted_ += static_cast<std::uint64_t>(painted);

    {
        std::lock_guard lock(outMutex_);
        {
            std::lock_guard windowLock(mutex_);
            if (!windowPresent_)
                return; // hidden while painting: keep no image for it
        }
        handedImage_ = image;
        out_.image = std::move(image);
        out_.barsOnly = false;
        out_.ring = ring;
        handedBarMaximum_ = out_.barMaximum = barMaximum;
        handedBarPosition_ = out_.barPosition = barPosition;
        out_.barBase = firstLine;
        out_.background = ToRgb(look.bgPalette[0]);
        handed_ = bits;
        if (outWaiting_)
            return; // the window has not taken the last one yet; it will take this one
        outWaiting_ = true;
    }
    if (host_)
        host_->FrameReady();
}

} // namespace screen
