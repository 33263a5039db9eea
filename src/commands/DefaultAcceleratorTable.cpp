#include "commands/DefaultAcceleratorTable.h"

#include "KeyTables.h"
#include "commands/FunctionTable.h"
#include "commands/KeyNames.h"

namespace {

constexpr uint32_t kVkTab = 0x09;
constexpr uint32_t kVkF4 = 0x73;

constexpr uint32_t Alt(uint32_t key)
{
    return key | kKeyAlt;
}
constexpr uint32_t Ctrl(uint32_t key)
{
    return key | kKeyControl;
}
constexpr uint32_t Shift(uint32_t key)
{
    return key | kKeyShift;
}

// Rows name their function; numbers are looked up when the table is first
// asked for.
struct NamedRow {
    std::u16string_view function;
    uint32_t key;
};

constexpr NamedRow kMainWindow[] = {
    {u"MENU_CONNECT", Alt('C')},
    {u"MENU_CONNECT_LOCAL_SHELL", Alt(Shift('L'))},
    {u"MENU_OPEN_SCRATCHPAD", Alt(Shift('S'))},
    {u"MENU_NEW_WINDOW", Alt('N')},
    {u"MENU_RECONNECT", kVkReturn},
    {u"MENU_RECONNECT_ALL", Alt('A')},
    {u"MENU_GOTO_COMMAND_SESSION_WINDOW", Alt('G')},
    {u"MENU_GOTO_SESSION_MANAGER", Alt('M')},
    {u"MENU_GOTO_COMMAND_MANAGER", Alt('J')},
    {u"MENU_GOTO_ACTIVE_SESSIONS", Alt('Z')},
    {u"MENU_GOTO_CONNECT_BAR", Alt('R')},
    {u"MENU_QUICK_CONNECT", Alt('Q')},
    {u"MENU_TOGGLE_MENU_BAR", Alt('U')},
    {u"MENU_TOGGLE_FULL_SCREEN", Alt(kVkReturn)},
    {u"MENU_SEND_COMMANDS_TO_ALL_SESSIONS", Ctrl(Shift('S'))},
    {u"MENU_TOGGLE_SEND_COMMANDS_TO_ALL_SESSIONS", Ctrl(Shift('O'))},
    {u"MENU_SEND_COMMANDS_TO_ACTIVE_SESSION", Ctrl(Shift('T'))},
    {u"MENU_SEND_COMMANDS_TO_SELECTED_GROUPS", Ctrl(Shift('G'))},
    {u"MENU_SHOW_COMMAND_WINDOW_TITLE_BAR", Ctrl(Shift('W'))},
    {u"MENU_SEND_COMMANDS_TO_VISIBLE_SESSIONS", Ctrl(Shift('B'))},
    {u"MENU_TOGGLE_SEND_CHARACTERS_IMMEDIATELY", Ctrl(Shift('I'))},
    {u"MENU_TAB_NEW", Alt('B')},
    {u"MENU_TAB_NEW_SFTP", Alt('P')},
    {u"MENU_TAB_NEXT", Ctrl(kVkTab)},
    {u"MENU_TAB_PREV", Ctrl(Shift(kVkTab))},
    {u"MENU_TAB_CLOSE", Ctrl(kVkF4)},
    {u"MENU_TAB_1", Alt('1')},
    {u"MENU_TAB_2", Alt('2')},
    {u"MENU_TAB_3", Alt('3')},
    {u"MENU_TAB_4", Alt('4')},
    {u"MENU_TAB_5", Alt('5')},
    {u"MENU_TAB_6", Alt('6')},
    {u"MENU_TAB_7", Alt('7')},
    {u"MENU_TAB_8", Alt('8')},
    {u"MENU_TAB_9", Alt('9')},
    {u"MENU_TAB_10", Alt('0')},
    {u"MENU_ZOOM_IN", Ctrl(0x2B)},
    {u"MENU_ZOOM_OUT", Ctrl(0x2D)},
    {u"MENU_ZOOM_RESET", Ctrl('0')},
};

} // namespace

std::span<const DefaultAcceleratorRow> GetDefaultAcceleratorTable()
{
    static const std::vector<DefaultAcceleratorRow> table = [] {
        std::vector<DefaultAcceleratorRow> rows;
        for (const NamedRow& row : kMainWindow)
            rows.push_back({kAcceleratorSetMainWindow, GetFunctionNumber(row.function), row.key});
        return rows;
    }();
    return table;
}

std::vector<uint32_t> GetDefaultAcceleratorKeys(int set, int number)
{
    std::vector<uint32_t> keys;
    for (const DefaultAcceleratorRow& row : GetDefaultAcceleratorTable())
        if (row.set == set && row.number == number)
            keys.push_back(row.key);
    return keys;
}
