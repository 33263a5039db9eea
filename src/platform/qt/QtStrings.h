#pragma once

#include <QString>
#include <string_view>

#include "core/VUnicodeString.h"

// UTF-16 both sides: no conversion, only a copy.
inline QString ToQString(std::u16string_view text)
{
    return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}
inline QString ToQString(const std::u16string& text)
{
    return ToQString(std::u16string_view(text));
}
inline QString ToQString(const VUnicodeString& text)
{
    return ToQString(std::u16string_view(text.str()));
}
inline QString ToQString(const char16_t* text)
{
    return ToQString(std::u16string_view(text ? text : u""));
}
inline VUnicodeString ToVString(const QString& text)
{
    return VUnicodeString(std::u16string(reinterpret_cast<const char16_t*>(text.utf16()),
                                         static_cast<size_t>(text.size())));
}
