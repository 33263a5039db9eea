#include "Progress.h"

#include <unistd.h>

#include <cstdio>

Progress::Progress(std::string what, size_t total, size_t threshold, std::string unit)
    : m_what(std::move(what)), m_unit(std::move(unit)), m_total(total), m_shown(total > threshold && isatty(STDERR_FILENO) == 1)
{
    if (m_shown)
        Draw();
}

Progress::~Progress()
{
    if (m_shown) {
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
    }
}

void Progress::Step()
{
    ++m_done;
    if (!m_shown)
        return;
    // A terminal needs no more than a few lines a second.
    const auto now = std::chrono::steady_clock::now();
    if (m_done == m_total || now - m_lastDrawn >= std::chrono::milliseconds(100))
        Draw();
}

void Progress::Draw()
{
    m_lastDrawn = std::chrono::steady_clock::now();
    std::fprintf(stderr, "\r%s: %zu of %zu %s\033[K", m_what.c_str(), m_done, m_total, m_unit.c_str());
    std::fflush(stderr);
}
