#include "core/shell/KeyName.h"

namespace shell {

std::string BuildKeyName(int keyCode, bool shift, bool alt, bool ctrl)
{
    if (keyCode == 0)
        return {};
    std::string name;
    if (shift)
        name += "Shift+";
    if (alt)
        name += "Alt+";
    if (ctrl)
        name += "Ctrl+";
    if (keyCode > 0x20 && keyCode < 0x70) {
        name += static_cast<char>(keyCode);
    } else if (keyCode >= 0x70 && keyCode <= 0x7B) {
        name += 'F';
        name += static_cast<char>(keyCode - 63);
    }
    return name;
}

namespace {

// Qt's key numbers (enum Qt::Key) and modifier bits (enum Qt::KeyboardModifier),
// repeated here so the core stays free of Qt. Printable keys use their
// character's code point in Qt (Qt::Key_A is 0x41, Qt::Key_Exclam is 0x21).
constexpr int kQtKeyEscape = 0x01000000;     // Qt::Key_Escape
constexpr int kQtKeyTab = 0x01000001;        // Qt::Key_Tab
constexpr int kQtKeyBacktab = 0x01000002;    // Qt::Key_Backtab (Shift+Tab)
constexpr int kQtKeyBackspace = 0x01000003;  // Qt::Key_Backspace
constexpr int kQtKeyReturn = 0x01000004;     // Qt::Key_Return
constexpr int kQtKeyEnter = 0x01000005;      // Qt::Key_Enter (keypad)
constexpr int kQtKeyInsert = 0x01000006;     // Qt::Key_Insert
constexpr int kQtKeyDelete = 0x01000007;     // Qt::Key_Delete
constexpr int kQtKeyPause = 0x01000008;      // Qt::Key_Pause
constexpr int kQtKeyPrint = 0x01000009;      // Qt::Key_Print (Print Screen)
constexpr int kQtKeySysReq = 0x0100000a;     // Qt::Key_SysReq (Alt+Print Screen)
constexpr int kQtKeyClear = 0x0100000b;      // Qt::Key_Clear
constexpr int kQtKeyHome = 0x01000010;       // Qt::Key_Home
constexpr int kQtKeyEnd = 0x01000011;        // Qt::Key_End
constexpr int kQtKeyLeft = 0x01000012;       // Qt::Key_Left
constexpr int kQtKeyUp = 0x01000013;         // Qt::Key_Up
constexpr int kQtKeyRight = 0x01000014;      // Qt::Key_Right
constexpr int kQtKeyDown = 0x01000015;       // Qt::Key_Down
constexpr int kQtKeyPageUp = 0x01000016;     // Qt::Key_PageUp
constexpr int kQtKeyPageDown = 0x01000017;   // Qt::Key_PageDown
constexpr int kQtKeyShift = 0x01000020;      // Qt::Key_Shift
constexpr int kQtKeyControl = 0x01000021;    // Qt::Key_Control
constexpr int kQtKeyMeta = 0x01000022;       // Qt::Key_Meta
constexpr int kQtKeyAlt = 0x01000023;        // Qt::Key_Alt
constexpr int kQtKeyCapsLock = 0x01000024;   // Qt::Key_CapsLock
constexpr int kQtKeyNumLock = 0x01000025;    // Qt::Key_NumLock
constexpr int kQtKeyScrollLock = 0x01000026; // Qt::Key_ScrollLock
constexpr int kQtKeyF1 = 0x01000030;         // Qt::Key_F1
constexpr int kQtKeyF24 = 0x01000047;        // Qt::Key_F24
constexpr int kQtKeySuperL = 0x01000053;     // Qt::Key_Super_L
constexpr int kQtKeySuperR = 0x01000054;     // Qt::Key_Super_R
constexpr int kQtKeyMenu = 0x01000055;       // Qt::Key_Menu
constexpr int kQtKeyHelp = 0x01000058;       // Qt::Key_Help
constexpr int kQtKeySelect = 0x01010000;     // Qt::Key_Select
constexpr int kQtKeyPrinter = 0x01020002;    // Qt::Key_Printer
constexpr int kQtKeyExecute = 0x01020003;    // Qt::Key_Execute
constexpr int kQtKeySleep = 0x01020004;      // Qt::Key_Sleep

constexpr std::uint32_t kQtShiftModifier = 0x02000000;   // Qt::ShiftModifier
constexpr std::uint32_t kQtControlModifier = 0x04000000; // Qt::ControlModifier
constexpr std::uint32_t kQtAltModifier = 0x08000000;     // Qt::AltModifier
constexpr std::uint32_t kQtKeypadModifier = 0x20000000;  // Qt::KeypadModifier

// Keypad keys: the digits and the six operators have codes of their own.
int KeypadKey(int qtKey)
{
    if (qtKey >= '0' && qtKey <= '9')
        return 0x60 + (qtKey - '0');
    switch (qtKey) {
    case '*':
        return 0x6A;
    case '+':
        return 0x6B;
    case ',':
        return 0x6C; // separator
    case '-':
        return 0x6D;
    case '.':
        return 0x6E;
    case '/':
        return 0x6F;
    default:
        return 0;
    }
}

// A printable character to the key it is typed on, assuming the US layout:
// shifted digits name their digit key, punctuation its OEM key.
int CharacterKey(int ch)
{
    if (ch >= 'A' && ch <= 'Z')
        return ch;
    if (ch >= 'a' && ch <= 'z')
        return ch - 'a' + 'A';
    if (ch >= '0' && ch <= '9')
        return ch;
    // clang-format off
    switch (ch) {
    case ' ': return 0x20;
    case ')': return '0';
    case '!': return '1';
    case '@': return '2';
    case '#': return '3';
    case '$': return '4';
    case '%': return '5';
    case '^': return '6';
    case '&': return '7';
    case '*': return '8';
    case '(': return '9';
    case ';': case ':': return 0xBA;
    case '=': case '+': return 0xBB;
    case ',': case '<': return 0xBC;
    case '-': case '_': return 0xBD;
    case '.': case '>': return 0xBE;
    case '/': case '?': return 0xBF;
    case '`': case '~': return 0xC0;
    case '[': case '{': return 0xDB;
    case '\\': case '|': return 0xDC;
    case ']': case '}': return 0xDD;
    case '\'': case '"': return 0xDE;
    default: return 0;
    }
    // clang-format on
}

} // namespace

int VirtualKeyFromQtKey(int qtKey, bool keypad)
{
    if (keypad) {
        if (int code = KeypadKey(qtKey))
            return code;
    }
    if (qtKey >= 0x20 && qtKey < 0x7F)
        return CharacterKey(qtKey);
    if (qtKey >= kQtKeyF1 && qtKey <= kQtKeyF24)
        return 0x70 + (qtKey - kQtKeyF1);
    // clang-format off
    switch (qtKey) {
    case kQtKeyBackspace:  return 0x08;
    case kQtKeyTab:
    case kQtKeyBacktab:    return 0x09;
    case kQtKeyClear:      return 0x0C;
    case kQtKeyReturn:
    case kQtKeyEnter:      return 0x0D;
    case kQtKeyShift:      return 0x10;
    case kQtKeyControl:    return 0x11;
    case kQtKeyAlt:        return 0x12;
    case kQtKeyPause:      return 0x13;
    case kQtKeyCapsLock:   return 0x14;
    case kQtKeyEscape:     return 0x1B;
    case kQtKeyPageUp:     return 0x21;
    case kQtKeyPageDown:   return 0x22;
    case kQtKeyEnd:        return 0x23;
    case kQtKeyHome:       return 0x24;
    case kQtKeyLeft:       return 0x25;
    case kQtKeyUp:         return 0x26;
    case kQtKeyRight:      return 0x27;
    case kQtKeyDown:       return 0x28;
    case kQtKeySelect:     return 0x29;
    case kQtKeyPrinter:    return 0x2A;
    case kQtKeyExecute:    return 0x2B;
    case kQtKeyPrint:
    case kQtKeySysReq:     return 0x2C;
    case kQtKeyInsert:     return 0x2D;
    case kQtKeyDelete:     return 0x2E;
    case kQtKeyHelp:       return 0x2F;
    case kQtKeyMeta:       // Linux often reports the Windows key as Meta
    case kQtKeySuperL:     return 0x5B;
    case kQtKeySuperR:     return 0x5C;
    case kQtKeyMenu:       return 0x5D;
    case kQtKeySleep:      return 0x5F;
    case kQtKeyNumLock:    return 0x90;
    case kQtKeyScrollLock: return 0x91;
    default:               return 0;
    }
    // clang-format on
}

KeyPress KeyPressFromQt(int qtKey, std::uint32_t qtModifiers)
{
    KeyPress press;
    press.keyCode = VirtualKeyFromQtKey(qtKey, (qtModifiers & kQtKeypadModifier) != 0);
    // Platforms disagree on whether a modifier's own press carries its bit.
    press.shift = (qtModifiers & kQtShiftModifier) != 0 || qtKey == kQtKeyShift;
    press.ctrl = (qtModifiers & kQtControlModifier) != 0 || qtKey == kQtKeyControl;
    press.alt = (qtModifiers & kQtAltModifier) != 0 || qtKey == kQtKeyAlt;
    return press;
}

} // namespace shell
