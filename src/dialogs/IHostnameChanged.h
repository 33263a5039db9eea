#pragma once

// Told by a connection page that the host it connects to was edited, so
// that the dialog can enable what depends on it.
class IHostnameChanged {
public:
    virtual ~IHostnameChanged() = default;
    virtual void OnHostnameChanged() = 0;
};
