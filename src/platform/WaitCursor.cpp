#include "platform/WaitCursor.h"

namespace {
class NoCursor final : public IWaitCursor {
public:
    void Begin() override {}
    void End() override {}
};
NoCursor g_none;
IWaitCursor* g_cursor = &g_none;
} // namespace

IWaitCursor& GetWaitCursor()
{
    return *g_cursor;
}

void SetWaitCursor(IWaitCursor* cursor)
{
    g_cursor = cursor ? cursor : &g_none;
}
