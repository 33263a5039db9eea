#include "platform/RandomSource.h"

#include <sys/random.h>

#include <cerrno>
#include <cstdint>

#include "platform/PlatformError.h"

namespace {

class KernelRandomSource final : public IRandomSource {
public:
    bool GetBytes(void* buffer, size_t size) override
    {
        auto* out = static_cast<uint8_t*>(buffer);
        while (size > 0) {
            // Blocks only until the kernel's pool is first seeded.
            const ssize_t got = getrandom(out, size, 0);
            if (got < 0) {
                if (errno == EINTR)
                    continue;
                SetPlatformLastError(static_cast<uint32_t>(errno));
                return false;
            }
            out += got;
            size -= static_cast<size_t>(got);
        }
        return true;
    }
};

KernelRandomSource g_kernel;
IRandomSource* g_source = &g_kernel;

} // namespace

IRandomSource& GetRandomSource()
{
    return *g_source;
}

void SetRandomSource(IRandomSource* source)
{
    g_source = source ? source : &g_kernel;
}
