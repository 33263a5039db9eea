#include "platform/UrlSchemeTable.h"

#include "core/VUnicodeString.h"

namespace {

constexpr UrlSchemeRow kRows[] = {
    {u"ftp", 0, 21},        {u"ftps", 1, 990},   {u"ftpes", 2, 21},  {u"sftp", 3, 22},
    {u"scp", 4, 22},        {u"ssh", 5, 22},     {u"ssh1", 6, 22},   {u"ssh2", 7, 22},
    {u"http", 8, 80},       {u"https", 9, 443},  {u"httpsawss3", 10, 443},
    {u"telnet", 11, 23},    {u"raw", 12, 23},    {u"rlogin", 13, 0}, {u"file", 14, 0},
};

} // namespace

std::span<const UrlSchemeRow> GetUrlSchemeTable()
{
    return kRows;
}

const UrlSchemeRow* FindUrlScheme(std::u16string_view scheme)
{
    for (const UrlSchemeRow& row : kRows)
        if (VUnicodeString::CompareNoCase(row.scheme, scheme) == 0)
            return &row;
    return nullptr;
}
