// What a game window does that is not a widget: its session road, the runners it
// starts and counts, the name capture, path walking and recording, hotkeys, the
// keep-alive and the hidden input. The window owns one, hands it the socket's
// reads and the player's lines, and shows what it reports.
#pragma once

#include "core/automation/GroupTable.h"
#include "core/automation/RunnerHost.h"
#include "core/automation/RunnerStop.h"
#include "core/session/SessionRoad.h"
#include "core/session/SessionState.h"
#include "core/session/TelnetStage.h"
#include "core/session/TranscodeStages.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace session {

class SessionController : private CharsetListener
{
public:
    // `host` is what every runner of the window talks to; `wire` takes the
    // road's bytes for the server. Both outlive the controller.
    SessionController(std::shared_ptr<automation::RunnerHost> host,
                      std::shared_ptr<automation::GroupTable> groups, ServerWire &wire);

    // One read of the socket; what reaches the screen queue is appended to
    // `screenText`. True when the hidden input switched on or off.
    bool Receive(std::string_view read, std::string &screenText);
    // The road holds inflated text back for Continue: read nothing new until
    // it is taken.
    bool receivePending() const { return road_.pending(); }
    // More of what the road held back; true as Receive.
    bool ContinueReceive(std::string &screenText);
    // The server's compressed stream was corrupt: the connection is to close.
    bool compressionBroken() const { return road_.telnet().broken(); }
    // The server's text arrives compressed now.
    bool compressing() const { return road_.telnet().compressing(); }
    // For the next connection: whether to negotiate telnet options (the site's
    // "协商 telnet 选项"); off reads the commands silently.
    void SetNegotiation(bool negotiate);
    // The screen's size in columns and rows, for a server that asked for it.
    void SetWindowSize(unsigned columns, unsigned rows)
    {
        road_.telnet().SetWindowSize(columns, rows);
    }
    // A connection starts or ends: the road starts afresh. True when the input
    // was hidden and no longer is.
    bool NewConnection();
    // A runner's line, through the road to the connection.
    void SendLine(std::string_view line) { road_.SendLine(line); }
    SessionRoad &road() { return road_; }

    // The server's encoding: the site's choice or the player's from the
    // window, applied from the next byte (nothing shown is decoded again).
    void SetEncoding(Encoding setting);
    const Transcoder &transcoder() const { return transcode_->transcoder(); }
    // What the status panel says of it (GBK bytes), e.g. "UTF-8（自动）".
    std::string encodingStatus() const;
    // True once each time what the status panel says of the encoding changed
    // since the last call (detection decided, the player chose, a new
    // connection started detecting again).
    bool TakeEncodingChange();
    // The first character sent as "?" since the last call, or empty.
    std::string TakeUnsent() { return encode_->TakeUnsent(); }

    // Hidden input: the server asked that what the player types now is not shown.
    bool inputHidden() const { return road_.telnet().serverEchoes(); }

    struct TypedLine
    {
        bool hidden = false;                    // sent unseen: empty the input line
        std::optional<std::string> captionName; // the name to append to the caption
    };
    // Enter in the input line: a hidden line goes out unechoed and leaves no
    // trace; otherwise the name capture, the recording, then the runner.
    TypedLine SendTypedLine(const std::string &typed);
    // The first hotkey bound to `keyName` runs; not recorded.
    void FireHotkey(const std::string &keyName);
    void StartRun(const std::string &text, bool slowMode = false, int slowDelayMs = 1500);
    void StopRunners() { stops_->StopAll(); }
    void RunnerCountChanged(int delta) { runningCommands_ += delta; }
    int runningCommands() const { return runningCommands_; }
    // 0 waiting for the name prompt, 1 the next typed line names the
    // character, 2 done.
    int nameCaptureStage() const { return nameCaptureStage_; }

    enum class Recording { kStarted, kNothingRecorded, kRecorded };
    // The record button: starts a recording or ends it; a recording that ends
    // with something leaves it in walk().recordedPath.
    Recording ToggleRecording();
    // Walks the path at `row` (forward or reversed, as the panel was opened).
    // False for a row that holds no path.
    bool WalkPath(int row, bool slowMode);
    void SetWalkForward(bool forward) { walk_.walkForward = forward; }
    // The clock's minute and its hang-up.
    void MinuteTick();
    void HangUp() { StartRun(keepAlive_.hangUpCommands); }

    const HotkeyLists &hotkeys() const { return hotkeys_; }
    void SetHotkeys(HotkeyLists lists) { hotkeys_ = std::move(lists); }
    const PathLists &paths() const { return paths_; }
    void SetPaths(PathLists lists) { paths_ = std::move(lists); }
    const DirectionPairs &directions() const { return directions_; }
    void SetDirections(DirectionPairs pairs) { directions_ = std::move(pairs); }
    const WalkSettings &walk() const { return walk_; }
    void SetSlowWalkDelayMs(int ms) { walk_.slowWalkDelayMs = ms; }
    const KeepAliveSettings &keepAlive() const { return keepAlive_; }
    void SetKeepAlive(const KeepAliveSettings &settings) { keepAlive_ = settings; }
    // Every runner's host goes through the current stop switch (triggers too).
    const std::shared_ptr<automation::RunnerStops> &stops() const { return stops_; }

private:
    void CharsetAgreed(std::string_view canonical) override;
    // What follows every piece the road gave: the name capture arms once the
    // mark is seen; true when the hidden input switched.
    bool AfterReceive(bool wasHidden);
    // What the telnet stage offers a server for the encoding set: its name,
    // empty on automatic.
    std::string SiteCharset() const;

    std::shared_ptr<automation::RunnerHost> host_;
    std::shared_ptr<automation::GroupTable> groups_;
    std::shared_ptr<automation::RunnerStops> stops_ = std::make_shared<automation::RunnerStops>();
    SessionRoad road_;
    TranscodeStage *transcode_ = nullptr; // owned by the road
    EncodeStage *encode_ = nullptr;       // owned by the road
    // The setting and the encoding in force the status panel last showed;
    // nullopt before the first report.
    std::optional<std::pair<Encoding, Encoding>> shownEncoding_;
    int runningCommands_ = 0;
    int nameCaptureStage_ = 0;
    HotkeyLists hotkeys_;
    PathLists paths_;
    DirectionPairs directions_ = DirectionPairs::Seeded();
    WalkSettings walk_;
    KeepAliveSettings keepAlive_;
};

} // namespace session
