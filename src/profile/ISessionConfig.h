#pragma once

#include "core/VUnknown.h"

// One saved session's settings, shared by reference across the boundary:
// whoever receives one releases it. The settings themselves come with the
// session configuration.
class ISessionConfig : public IVUnknown {
protected:
    ~ISessionConfig() = default;
};
