#include "platform/qt/KeyTableMatch.h"

#include <QKeyEvent>

namespace {

// The platform key code a Qt key stands for; 0 when the tables have none.
uint16_t VirtualKeyOf(int key)
{
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
        return static_cast<uint16_t>(key); // the same codes
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return static_cast<uint16_t>(0x70 + (key - Qt::Key_F1));
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return kVkReturn;
    case Qt::Key_Delete: return kVkDelete;
    default: return 0;
    }
}

int QtKeyOf(uint16_t vk)
{
    if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9'))
        return vk;
    if (vk >= 0x70 && vk <= 0x87)
        return Qt::Key_F1 + (vk - 0x70);
    if (vk == kVkReturn)
        return Qt::Key_Return;
    if (vk == kVkDelete)
        return Qt::Key_Delete;
    return 0;
}

uint8_t ModifiersOf(Qt::KeyboardModifiers held)
{
    uint8_t bits = kAccelVirtKey;
    if (held & Qt::ShiftModifier)
        bits |= kAccelShift;
    if (held & Qt::ControlModifier)
        bits |= kAccelControl;
    if (held & Qt::AltModifier)
        bits |= kAccelAlt;
    return bits;
}

} // namespace

unsigned CommandForKey(std::span<const AcceleratorEntry> table, const QKeyEvent& event)
{
    const uint16_t vk = VirtualKeyOf(event.key());
    if (vk == 0)
        return 0;
    // The keypad's Enter carries the keypad flag; it is still Enter.
    const uint8_t modifiers = ModifiersOf(event.modifiers() & ~Qt::KeypadModifier);
    for (const AcceleratorEntry& entry : table)
        if (entry.key == vk && entry.modifiers == modifiers)
            return entry.command;
    return 0;
}

QKeySequence KeySequenceOf(const AcceleratorEntry& entry)
{
    Qt::KeyboardModifiers modifiers;
    if (entry.modifiers & kAccelShift)
        modifiers |= Qt::ShiftModifier;
    if (entry.modifiers & kAccelControl)
        modifiers |= Qt::ControlModifier;
    if (entry.modifiers & kAccelAlt)
        modifiers |= Qt::AltModifier;
    return QKeySequence(QKeyCombination(modifiers, static_cast<Qt::Key>(QtKeyOf(entry.key))));
}
