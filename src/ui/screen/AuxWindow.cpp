#include "ui/screen/AuxWindow.h"

#include "core/screen/TextTail.h"
#include "core/text/GbkText.h"
#include "render/GbkCodec.h"
#include "ui/platform/SystemMessage.h"
#include "ui/screen/AuxFileLoad.h"

#include <utility>

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QVBoxLayout>

namespace screen {

namespace {

const QString kStartSync = QStringLiteral("同步接收");
const QString kStopSync = QStringLiteral("停止同步");
const QString kFileFilter = QStringLiteral("文本文件 (*.txt);;所有文件 (*.*)");

} // namespace

std::vector<std::string> MemoLines(const QPlainTextEdit &memo)
{
    const QTextDocument *doc = memo.document();
    QString text;
    int count = 0;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        if (count++ > 0)
            text += QLatin1Char('\n');
        text += block.text();
    }
    // One conversion for the whole text; GBK never puts LF inside a character.
    const std::string bytes = gbk::FromQString(text);
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (;;) {
        const std::size_t lf = bytes.find('\n', start);
        if (lf == std::string::npos) {
            lines.push_back(bytes.substr(start));
            break;
        }
        lines.push_back(bytes.substr(start, lf - start));
        start = lf + 1;
    }
    if (lines.back().empty())
        lines.pop_back();
    return lines;
}

Ttextwin::Ttextwin(QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("textwin"));
    setWindowTitle(QStringLiteral("辅助窗口"));
    resize(420, 320);

    BitBtn1 = new QPushButton(QStringLiteral("保存"), this);
    BitBtn2 = new QPushButton(QStringLiteral("读取"), this);
    BitBtn3 = new QPushButton(QStringLiteral("清空"), this);
    BitBtn4 = new QPushButton(kStartSync, this);
    LoadNote = new QLabel(this);
    Memo1 = new QPlainTextEdit(this);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {BitBtn1, BitBtn2, BitBtn3, BitBtn4})
        buttons->addWidget(b);
    buttons->addWidget(LoadNote, 1);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addLayout(buttons);
    layout->addWidget(Memo1, 1);

    connect(BitBtn1, &QPushButton::clicked, this, &Ttextwin::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &Ttextwin::BitBtn2Click);
    connect(BitBtn3, &QPushButton::clicked, this, &Ttextwin::BitBtn3Click);
    connect(BitBtn4, &QPushButton::clicked, this, &Ttextwin::BitBtn4Click);

    // A flood of mirrored lines arrives as many small calls; they are shown
    // together once the window thread has nothing else queued.
    flushTimer_ = new QTimer(this);
    flushTimer_->setSingleShot(true);
    flushTimer_->setInterval(0);
    connect(flushTimer_, &QTimer::timeout, this, [this] {
        ShowBatch();
        if (HasPending())
            flushTimer_->start();
    });
    // A file of "读取" is read a piece per turn of the window thread.
    loadTimer_ = new QTimer(this);
    loadTimer_->setInterval(0);
    connect(loadTimer_, &QTimer::timeout, this, [this] {
        if (load_ && load_->ReadPiece())
            FinishLoad();
    });
}

Ttextwin::~Ttextwin() = default;

void Ttextwin::setSyncSession(session::SessionPort *session)
{
    syncSession_ = session;
}

void Ttextwin::setCurrentSession(session::SessionPort *session)
{
    currentSession_ = session;
}

void Ttextwin::ResetSync()
{
    const bool wasOn = BitBtn4->text() == kStopSync;
    BitBtn4->setText(kStartSync);
    syncSession_ = {};
    currentSession_ = {};
    session::SessionPortRef mirrored = std::exchange(mirrored_, {});
    if (!wasOn || !mirrored)
        return;
    // The frame calls this while some window is being destroyed, not always the
    // mirrored one. A window left mirroring would go on copying lines under a
    // switch that says it stopped, so it is told to stop; later, because the
    // window being destroyed may be that very one and must not be called now.
    QTimer::singleShot(0, this, [mirrored] {
        if (mirrored)
            mirrored->SetMirror(false);
    });
}

void Ttextwin::AppendLines(const std::vector<std::string> &lines)
{
    std::string text;
    for (const std::string &line : lines) {
        std::string_view kept = line;
        while (!kept.empty() && (kept.back() == '\n' || kept.back() == '\r'))
            kept.remove_suffix(1);
        text.append(kept);
        text += '\n';
    }
    if (load_)
        Hold(text);
    else
        AppendPending(std::move(text));
}

void Ttextwin::AppendPending(std::string &&text)
{
    if (!HasPending()) {
        pending_ = std::move(text);
        pendingPos_ = 0;
    } else
        pending_.append(text);
    // Lines waiting to be shown beyond the cap would only be trimmed once shown.
    const std::size_t from = screen::KeptTailStart(pending_, pendingPos_, maxBytes_);
    if (from != pendingPos_) {
        pending_.erase(0, from);
        pendingPos_ = 0;
    }
    if (HasPending() && !flushTimer_->isActive())
        flushTimer_->start();
}

void Ttextwin::Hold(std::string_view text)
{
    if (waiting_.empty() || !waiting_.back().path.isEmpty())
        waiting_.push_back({});
    std::string &held = waiting_.back().lines;
    held.append(text);
    held.erase(0, screen::KeptTailStart(held, 0, maxBytes_));
}

void Ttextwin::FlushPending()
{
    while (load_ || !waiting_.empty()) {
        if (!load_) {
            StartWaiting();
            continue;
        }
        while (!load_->ReadPiece()) {
        }
        FinishLoad();
    }
    flushTimer_->stop();
    while (HasPending())
        ShowBatch();
}

void Ttextwin::ShowBatch()
{
    // A few thousand lines per insertion: one insertion per line is slow, and
    // one insertion of a whole large file holds the window for a second.
    constexpr int kBatchLines = 5000;
    std::size_t end = pendingPos_;
    for (int n = 0; n < kBatchLines && end < pending_.size(); ++n)
        end = pending_.find('\n', end) + 1; // every pending line ends with LF
    const std::string_view batch =
        std::string_view(pending_).substr(pendingPos_, end - pendingPos_);
    InsertAtEnd(gbk::ToQString(batch));
    pendingPos_ = end;
    if (pendingPos_ == pending_.size()) {
        // Given back: a large file's lines would otherwise stay held here.
        std::string().swap(pending_);
        pendingPos_ = 0;
    } else if (pendingPos_ > (1u << 20) && pendingPos_ > pending_.size() / 2) {
        // Lines keep arriving while batches are shown: drop what is shown.
        pending_.erase(0, pendingPos_);
        pendingPos_ = 0;
    }
}

void Ttextwin::InsertAtEnd(const QString &text)
{
    QScrollBar *bar = Memo1->verticalScrollBar();
    const bool following = bar->value() == bar->maximum();
    QTextDocument *doc = Memo1->document();
    // Appended lines are not the player's typing: they stay out of the undo
    // history, which would otherwise hold a copy of every mirrored line.
    doc->setUndoRedoEnabled(false);
    QTextCursor cursor(doc);
    cursor.movePosition(QTextCursor::End);
    // Each added line ends with a line break, as an edit control's line list
    // adds it; a last line the player left unfinished is ended first.
    if (!cursor.block().text().isEmpty())
        cursor.insertText(QStringLiteral("\n"));
    cursor.insertText(text);
    TrimToCap();
    doc->setUndoRedoEnabled(true);
    if (following)
        bar->setValue(bar->maximum());
}

namespace {

// A text block's own upkeep beside its characters (layout, format, links).
constexpr std::size_t kBlockBytes = 96;

// What lines ended by LF count against the cap once shown (see textBytes).
std::size_t ShownBytes(std::string_view lines)
{
    std::size_t bytes = 0;
    for (std::size_t i = 0; i < lines.size(); i += gbk::CharLength(lines, i))
        bytes += lines[i] == '\n' ? 2 + kBlockBytes : 2;
    return bytes;
}

QString CutNote(const QString &path, qint64 size, std::size_t cap)
{
    const QLocale c = QLocale::c();
    const QString name = QFileInfo(path).fileName();
    const QString kept = c.formattedDataSize(static_cast<qint64>(cap));
    if (size <= 0)
        return QStringLiteral("“%1”超过辅助窗口能保留的%2，只保留了最后的部分。").arg(name, kept);
    return QStringLiteral("“%1”有%2，超过辅助窗口能保留的%3，只保留了最后的部分。")
        .arg(name, c.formattedDataSize(size), kept);
}

} // namespace

std::size_t Ttextwin::textBytes() const
{
    const QTextDocument *doc = Memo1->document();
    return 2 * static_cast<std::size_t>(doc->characterCount()) +
           kBlockBytes * static_cast<std::size_t>(doc->blockCount());
}

void Ttextwin::TrimToCap()
{
    std::size_t bytes = textBytes();
    if (bytes <= maxBytes_)
        return;
    // Oldest lines first, down to three quarters, so trims come in batches.
    const std::size_t target = maxBytes_ - maxBytes_ / 4;
    QTextDocument *doc = Memo1->document();
    QTextBlock block = doc->firstBlock();
    while (block.isValid() && block.next().isValid() && bytes > target) {
        bytes -= std::min(bytes, 2 * static_cast<std::size_t>(block.length()) + kBlockBytes);
        block = block.next();
    }
    QTextCursor cursor(doc);
    cursor.setPosition(0);
    cursor.setPosition(block.position(), QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
}

std::vector<std::string> Ttextwin::lines()
{
    FlushPending();
    return MemoLines(*Memo1);
}

QString Ttextwin::ChooseFile(bool save)
{
    if (chooser_)
        return chooser_(this, save);
    if (save)
        return QFileDialog::getSaveFileName(this, QStringLiteral("保存"), QString(), kFileFilter);
    return QFileDialog::getOpenFileName(this, QStringLiteral("读取"), QString(), kFileFilter);
}

void Ttextwin::BitBtn1Click()
{
    const QString path = ChooseFile(true);
    if (path.isEmpty())
        return;
    const std::string bytes = gbk::JoinCrLf(lines());
    // Written beside the old file and renamed over it, so a failed write
    // leaves the old file whole.
    QSaveFile file(path);
    file.setDirectWriteFallback(true);
    const auto size = static_cast<qint64>(bytes.size());
    if (file.open(QIODevice::WriteOnly) && file.write(bytes.data(), size) == size && file.commit())
        return;
    platform::ShowSystemMessage(this, QStringLiteral("无法保存文件“%1”：%2")
                                          .arg(QDir::toNativeSeparators(path), file.errorString()));
}

void Ttextwin::BitBtn2Click()
{
    const QString path = ChooseFile(false);
    if (path.isEmpty())
        return;
    // After any file still being read, in the order they were chosen.
    if (load_)
        waiting_.push_back({path, {}});
    else
        StartLoad(path);
}

void Ttextwin::StartLoad(const QString &path)
{
    load_ = std::make_unique<AuxFileLoad>(path, maxBytes_);
    if (!load_->Open()) {
        const QString error = load_->error();
        load_.reset();
        LoadNote->clear();
        platform::ShowSystemMessage(
            this,
            QStringLiteral("无法读取文件“%1”：%2").arg(QDir::toNativeSeparators(path), error));
        return;
    }
    LoadNote->setText(QStringLiteral("正在读取“%1”…").arg(QFileInfo(path).fileName()));
    loadTimer_->start();
}

void Ttextwin::FinishLoad()
{
    loadTimer_->stop();
    const std::unique_ptr<AuxFileLoad> load = std::move(load_);
    LoadNote->clear();
    if (!load->error().isEmpty()) {
        platform::ShowSystemMessage(
            this, QStringLiteral("无法读取文件“%1”：%2")
                      .arg(QDir::toNativeSeparators(load->path()), load->error()));
    } else {
        std::string lines = load->TakeLines();
        const bool cut = load->cut(); // after the last line's end is counted
        // The file alone is over the cap: read whole, it would have pushed
        // every line still waiting out before they were shown.
        if (cut) {
            std::string().swap(pending_);
            pendingPos_ = 0;
        }
        if (cut || ShownBytes(lines) > maxBytes_)
            LoadNote->setText(CutNote(load->path(), load->size(), maxBytes_));
        AppendPending(std::move(lines));
    }
    StartWaiting();
}

void Ttextwin::StartWaiting()
{
    while (!load_ && !waiting_.empty()) {
        Waiting next = std::move(waiting_.front());
        waiting_.pop_front();
        if (next.path.isEmpty())
            AppendPending(std::move(next.lines));
        else
            StartLoad(next.path);
    }
}

void Ttextwin::BitBtn3Click()
{
    loadTimer_->stop();
    load_.reset();
    waiting_.clear();
    LoadNote->clear();
    std::string().swap(pending_);
    pendingPos_ = 0;
    flushTimer_->stop();
    Memo1->clear();
}

void Ttextwin::BitBtn4Click()
{
    const bool on = BitBtn4->text() == kStopSync;
    if (!syncSession_ && !currentSession_ && !(on && mirrored_))
        return;
    if (!on) {
        BitBtn4->setText(kStopSync);
        if (currentSession_)
            syncSession_ = currentSession_;
        mirrored_ = syncSession_;
        if (syncSession_)
            syncSession_->SetMirror(true);
        return;
    }
    BitBtn4->setText(kStartSync);
    // Off goes to the window that was switched on, even when the frame has
    // pointed syncSession at another window since.
    session::SessionPortRef mirrored = std::exchange(mirrored_, {});
    if (mirrored)
        mirrored->SetMirror(false);
    if (syncSession_ && !(syncSession_ == mirrored))
        syncSession_->SetMirror(false);
}

} // namespace screen
