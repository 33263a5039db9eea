#pragma once

#include "core/Export.h"

// Which modifier keys are held now: drag effects and the Find dialog's
// Shift test ask for it. The Qt layer installs the real one; without it no
// key is held.
enum KeyModifier : unsigned { kKeyShift = 1, kKeyControl = 2, kKeyAlt = 4 };

class IKeyState {
public:
    virtual ~IKeyState() = default;
    virtual unsigned HeldModifiers() const = 0;
};

ORV_EXPORT IKeyState& GetKeyState();
// Null restores the default. The caller keeps ownership.
ORV_EXPORT void SetKeyState(IKeyState* state);
