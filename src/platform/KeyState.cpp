#include "platform/KeyState.h"

namespace {
class NoKeys final : public IKeyState {
public:
    unsigned HeldModifiers() const override { return 0; }
};
NoKeys g_none;
IKeyState* g_state = &g_none;
} // namespace

IKeyState& GetKeyState()
{
    return *g_state;
}

void SetKeyState(IKeyState* state)
{
    g_state = state ? state : &g_none;
}
