#include "platform/HostHooks.h"

HostCallbacks& GetHostCallbacks()
{
    static HostCallbacks callbacks;
    return callbacks;
}
