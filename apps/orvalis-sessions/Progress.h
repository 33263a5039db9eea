#pragma once

#include <chrono>
#include <cstddef>
#include <string>

// A progress line for long work, on standard error and only when that is
// a terminal: it is rewritten in place and cleared at the end, so that
// nothing of it is left in a log or a pipe.
class Progress {
public:
    // Shown when the work counts more than `threshold` steps.
    Progress(std::string what, size_t total, size_t threshold, std::string unit = "sessions");
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    void Step();
    bool IsShown() const { return m_shown; }

private:
    void Draw();

    std::string m_what;
    std::string m_unit;
    size_t m_total;
    size_t m_done = 0;
    bool m_shown;
    std::chrono::steady_clock::time_point m_lastDrawn;
};
