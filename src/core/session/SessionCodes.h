// The numbered commands a game window takes (SessionCommand) and the notices it
// sends its main frame (FrameNotice). A typed line (1), a paste text (5) and a
// hotkey (11) carry text and have entries of their own, so they have no code here.
#pragma once

namespace session {

// clang-format off
enum SessionCode : int {
    kColourDialog      = 2,
    kTriggerEditor     = 3,
    kFontDialog        = 4,
    kReconnect         = 6,
    kRunnerCount       = 7,  // +1 / -1 from the command runners
    kSaveProfile       = 8,
    kLoadProfile       = 9,
    kReattachScreen    = 10, // after the window was re-parented
    kHotkeyEditor      = 12,
    kMirrorOn          = 13,
    kMirrorOff         = 14,
    kGroupEditor       = 15,
    kFontApplied       = 16,
    kPathEditor        = 17,
    kMinuteTick        = 18,
    kHangUp            = 19,
    kCopySelection     = 20,
};

enum FrameNoticeCode : int {
    kWindowDestroyed   = 1,
    kCaptionChanged    = 2,
    kWindowActivated   = 3,
    kClockConfirmed    = 4,
    kProfileSavedOrLoaded = 5,
};
// clang-format on

} // namespace session
