#include "commands/qt/KeyEventCode.h"

#include <QKeyEvent>

#include "commands/KeyNames.h"
#include "commands/VMenuToolbarItem.h"

namespace {

constexpr uint32_t kCharacterKey = 0x80000000;

struct KeyPair {
    int qt;
    uint16_t vk;
    bool extended; // the cursor-block key of a pair the keypad also has
};

// Keys with a virtual-key code of their own, besides letters, digits and
// function keys.
constexpr KeyPair kKeys[] = {
    {Qt::Key_Backspace, 0x08, false}, {Qt::Key_Tab, 0x09, false},      {Qt::Key_Backtab, 0x09, false},
    {Qt::Key_Clear, 0x0C, false},     {Qt::Key_Return, 0x0D, false},   {Qt::Key_Enter, 0x0D, true},
    {Qt::Key_Shift, 0x10, false},     {Qt::Key_Control, 0x11, false},  {Qt::Key_Alt, 0x12, false},
    {Qt::Key_Pause, 0x13, false},     {Qt::Key_CapsLock, 0x14, false}, {Qt::Key_Escape, 0x1B, false},
    {Qt::Key_Space, 0x20, false},     {Qt::Key_PageUp, 0x21, true},    {Qt::Key_PageDown, 0x22, true},
    {Qt::Key_End, 0x23, true},        {Qt::Key_Home, 0x24, true},      {Qt::Key_Left, 0x25, true},
    {Qt::Key_Up, 0x26, true},         {Qt::Key_Right, 0x27, true},     {Qt::Key_Down, 0x28, true},
    {Qt::Key_Select, 0x29, false},    {Qt::Key_Execute, 0x2B, false},  {Qt::Key_Print, 0x2C, false},
    {Qt::Key_Insert, 0x2D, true},     {Qt::Key_Delete, 0x2E, true},    {Qt::Key_Help, 0x2F, false},
    {Qt::Key_Super_L, 0x5B, false},   {Qt::Key_Super_R, 0x5C, false},  {Qt::Key_Menu, 0x5D, false},
    {Qt::Key_NumLock, 0x90, false},   {Qt::Key_ScrollLock, 0x91, false}, {Qt::Key_Cancel, 0x03, false},
};

// On the keypad (Qt's keypad modifier).
constexpr KeyPair kKeypadKeys[] = {
    {Qt::Key_Asterisk, 0x6A, false}, {Qt::Key_Plus, 0x6B, false},  {Qt::Key_Minus, 0x6D, false},
    {Qt::Key_Period, 0x6E, false},   {Qt::Key_Comma, 0x6E, false}, {Qt::Key_Slash, 0x6F, true},
    {Qt::Key_Enter, 0x0D, true},
};

uint32_t ModifierBits(Qt::KeyboardModifiers modifiers)
{
    uint32_t bits = 0;
    if (modifiers & Qt::ControlModifier)
        bits |= kKeyControl;
    if (modifiers & Qt::ShiftModifier)
        bits |= kKeyShift;
    if (modifiers & Qt::AltModifier)
        bits |= kKeyAlt;
    return bits;
}

} // namespace

uint32_t KeymapKeyCode(int key, Qt::KeyboardModifiers modifiers)
{
    if (key == 0 || key == Qt::Key_unknown)
        return 0;
    uint32_t bits = ModifierBits(modifiers);
    if (key == Qt::Key_Backtab)
        bits |= kKeyShift;
    const bool keypad = modifiers & Qt::KeypadModifier;
    if (keypad) {
        if (key >= Qt::Key_0 && key <= Qt::Key_9)
            return (0x60 + static_cast<uint32_t>(key - Qt::Key_0)) | bits;
        for (const KeyPair& pair : kKeypadKeys)
            if (pair.qt == key)
                return pair.vk | (pair.extended ? kKeyExtended : 0) | bits;
    }
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
        return static_cast<uint32_t>(key) | bits;
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return (0x70 + static_cast<uint32_t>(key - Qt::Key_F1)) | bits;
    for (const KeyPair& pair : kKeys)
        if (pair.qt == key)
            // The cursor block is the extended key; the same key from the
            // keypad (without Num Lock) is not.
            return pair.vk | (pair.extended && !keypad ? kKeyExtended : 0) | bits;
    if (key == Qt::Key_ydiaeresis)
        return 0xFF | bits; // the one character key the table writes without the marker
    if (key > 0x20 && key <= 0xFF)
        return (kCharacterKey + static_cast<uint32_t>(key)) | bits;
    if (key >= 0x01000000 && key <= 0x01FFFFFF)
        return static_cast<uint32_t>(key) | bits; // the extended table's own codes
    return 0;
}

uint32_t KeymapKeyCode(const QKeyEvent& event)
{
    return KeymapKeyCode(event.key(), event.modifiers());
}

QKeySequence AcceleratorKeySequence(uint8_t flags, uint16_t key)
{
    int qtKey = 0;
    if (flags & kAcceleratorVirtKey) {
        if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9'))
            qtKey = key;
        else if (key >= 0x70 && key <= 0x87)
            qtKey = Qt::Key_F1 + (key - 0x70);
        else if (key >= 0x60 && key <= 0x69)
            qtKey = Qt::Key_0 + (key - 0x60);
        else
            for (const KeyPair& pair : kKeys)
                if (pair.vk == key && pair.qt != Qt::Key_Backtab && pair.qt != Qt::Key_Enter) {
                    qtKey = pair.qt;
                    break;
                }
        if (!qtKey)
            for (const KeyPair& pair : kKeypadKeys)
                if (pair.vk == key) {
                    qtKey = pair.qt;
                    break;
                }
    } else if (key > 0x20) {
        qtKey = QChar(key).toUpper().unicode();
    }
    if (!qtKey)
        return {};
    Qt::KeyboardModifiers modifiers;
    if (flags & kAcceleratorShift)
        modifiers |= Qt::ShiftModifier;
    if (flags & kAcceleratorControl)
        modifiers |= Qt::ControlModifier;
    if (flags & kAcceleratorAlt)
        modifiers |= Qt::AltModifier;
    return QKeySequence(QKeyCombination(modifiers, static_cast<Qt::Key>(qtKey)));
}
