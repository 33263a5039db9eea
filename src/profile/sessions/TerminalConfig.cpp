#include "profile/sessions/TerminalConfig.h"

namespace {

using K = SessionValueKind;

// In the order the part declares them.
constexpr SessionValueDef kValues[] = {
    FlagValue(u"Use Global ANSI Colors", true),
    FlagValue(u"Keypad Mode", false),
    FlagValue(u"Line Wrap", true),
    FlagValue(u"Cursor Key Mode", false),
    FlagValue(u"Newline Mode", false),
    FlagValue(u"Enable 80-132 Column Switching", true),
    FlagValue(u"Ignore 80-132 Column Switching When Maximized or Full Screen", false),
    FlagValue(u"Enable Cursor Key Mode Switching", true),
    FlagValue(u"Enable Keypad Mode Switching", true),
    FlagValue(u"Enable Line Wrap Mode Switching", true),
    FlagValue(u"Enable Alternate Screen Switching", true),
    FlagValue(u"Alternate Screen Output Added To Scrollback", false),
    FlagValue(u"WaitForStrings Ignores Color", false),
    FlagValue(u"SGR Zero Resets ANSI Color", true),
    FlagValue(u"SCO Line Wrap", false),
    FlagValue(u"Display Tab", false),
    FlagValue(u"Is Full Screen", false),
    UnsignedValue(TerminalConfig::kRows, 24),
    UnsignedValue(TerminalConfig::kCols, 80),
    UnsignedValue(u"Scrollback", 500),
    UnsignedValue(u"Resize Mode", 0),
    FlagValue(u"Horizontal Scrollbar", false),
    FlagValue(u"Vertical Scrollbar", true),
    FlagValue(u"Use Narrow Font", false),
    FlagValue(u"Blinking Cursor", true),
    UnsignedValue(u"Cursor Style", 0),
    FlagValue(u"Use Cursor Color", false),
    UnsignedValue(u"Cursor Color", 0x00FFFFFF),
    FlagValue(u"Map Delete", false),
    FlagValue(u"Map Backspace", false),
    FlagValue(u"Use Alternate Keyboard", false),
    FlagValue(u"Emacs Mode", false),
    FlagValue(u"Emacs Mode 8 Bit", false),
    FlagValue(u"Preserve Alt-Gr", false),
    NumberValue(u"X Position", 0),
    FlagValue(u"X Position Relative Left", true),
    NumberValue(u"Y Position", 0),
    FlagValue(u"Y Position Relative Top", true),
    FlagValue(u"Enable Xterm-256color", true),
    FlagValue(u"Enable Xterm-Truecolor", true),
    UnsignedValue(u"Font Size", 10),
    UnsignedValue(u"TN3270 Terminal Type", 0),
    FlagValue(u"ANSI Color", true),
    FlagValue(u"Color Scheme Overrides Ansi Color", false),
    TextValue(TerminalConfig::kEmulation, u"Xterm"),
    TextValue(u"Default SCS", u"B"),
    KindValue(K::Colors, u"ANSI Color RGB"),
    TextValue(u"Display Tab String"),
    KindValue(K::Placement, u"Window Placement"),
    TextValue(u"Color Scheme", u"Monochrome"),
    TextValue(TerminalConfig::kOutputTransformerName, u"UTF-8"),
    PathValue(TerminalConfig::kKeymapFilename),
    TextValue(u"Keymap Name"),
    FlagValue(u"Jump Scroll", false),
    FlagValue(u"Minimize Drawing While Jump Scrolling", false),
    FlagValue(u"Audio Bell", true),
    FlagValue(u"Visual Bell", false),
    FlagValue(u"Scroll To Clear", false),
    FlagValue(u"Close On Disconnect", false),
    FlagValue(u"Clear On Disconnect", false),
    FlagValue(u"Scroll To Bottom On Output", false),
    FlagValue(u"Scroll To Bottom On Keypress", true),
    FlagValue(u"Shift Forces Local Mouse Operations", true),
    FlagValue(u"CUA Copy Paste", false),
    FlagValue(u"Use Answerback", false),
    TextValue(u"Answerback"),
    FlagValue(u"Use Position", false),
    FlagValue(u"Local Echo", false),
    FlagValue(u"Strip 8th Bit", false),
    FlagValue(u"Ignore Window Title Change Requests", false),
    FlagValue(u"Ignore Shift Out Sequence", false),
    FlagValue(u"Ignore Clear Scrollback Escape Sequence", false),
    FlagValue(u"Ignore Bracketed Paste Mode", false),
    FlagValue(u"Allow OSC 52 Escape Sequence", false),
    FlagValue(u"Copy Translates ANSI Line Drawing Characters", false),
    FlagValue(u"Copy to clipboard as RTF and plain text", false),
    FlagValue(u"Translate Incoming CR To CRLF", false),
    FlagValue(u"Dumb Terminal Ignores CRLF", false),
    FlagValue(u"Use Symbolic Names For Non-Printable Characters", false),
    FlagValue(u"Hard Reset on ESC c", false),
    FlagValue(u"Enable TN3270 Base Colors", false),
    FlagValue(u"Use Terminal Type", false),
    TextValue(u"Terminal Type", u"xterm"),
    TriStateValue(u"Show Chat Window"),
    TriStateValue(u"User Button Bar"),
    TextValue(TerminalConfig::kUserButtonBarName, u"Default"),
    PathValue(u"User Font Map V2"),
    PathValue(u"User Line Drawing Map V2"),
    FlagValue(u"Use Unicode Line Drawing", true),
    KindValue(K::Font, u"Normal Font v2", u"Monospace"),
    KindValue(K::Font, u"Narrow Font v2", u"Monospace"),
};

} // namespace

TerminalConfig::TerminalConfig(const VProfileKey* key, const ProfilePath::Folders& folders)
    : SessionConfigPart(Table(), key, folders)
{
}

const SessionValueTable& TerminalConfig::Table()
{
    static const SessionValueTable table(kValues);
    return table;
}
