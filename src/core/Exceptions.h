#pragma once

#include <cstdint>
#include <exception>

#include "core/Export.h"

// Programming errors and malformed data. Expected failures are reports,
// never exceptions.
class ORV_EXPORT VException : public std::exception {
public:
    explicit VException(const char* what) noexcept : m_what(what) {}
    const char* what() const noexcept override { return m_what; }

private:
    const char* m_what;
};

class ORV_EXPORT OutOfRange : public VException {
public:
    OutOfRange() noexcept : VException("index out of range") {}
};

class ORV_EXPORT InvalidParameter : public VException {
public:
    InvalidParameter() noexcept : VException("invalid parameter") {}
    explicit InvalidParameter(const char* what) noexcept : VException(what) {}
};

class ORV_EXPORT IllegalSequence : public VException {
public:
    IllegalSequence() noexcept : VException("illegal character sequence") {}
};

class ORV_EXPORT DataUnderrun : public VException {
public:
    DataUnderrun() noexcept : VException("read past the end of the data") {}
};

class ORV_EXPORT MessageNotFound : public VException {
public:
    explicit MessageNotFound(uint32_t id) noexcept : VException("message id not in any table"), m_id(id) {}
    uint32_t Id() const noexcept { return m_id; }

private:
    uint32_t m_id;
};
