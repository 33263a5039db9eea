#include "platform/ProtocolTable.h"

#include <iterator>

#include "core/VUnicodeString.h"
#include "platform/Products.h"

namespace {

// "None" closes each product's rows: a session may leave either side out.
// Not constant: the page factories are filled in when the windows load.
ConnectProtocolRow kRows[] = {
    {u"SSH2", u"SSH2", kApplicationTerminal},
    {u"SSH1", u"SSH1", kApplicationTerminal},
    {u"Telnet", u"Telnet", kApplicationTerminal},
    {u"Telnet/SSL", u"Telnet/TLS", kApplicationTerminal},
    {u"RLogin", u"RLogin", kApplicationTerminal},
    {u"Serial", u"Serial", kApplicationTerminal},
    {u"TAPI", u"TAPI", kApplicationTerminal},
    {u"Raw", u"Raw", kApplicationTerminal},
    {u"Local Shell", u"Local Shell", kApplicationTerminal},
    {u"RDP", u"RDP", kApplicationTerminal},
    {u"None", u"None", kApplicationTerminal},
    {u"SFTP", u"SFTP", kApplicationTransfer},
    {u"FTP", u"FTP", kApplicationTransfer},
    {u"FTP/SSL (implicit)", u"FTP/TLS (implicit)", kApplicationTransfer},
    {u"FTP/SSL (explicit)", u"FTP/TLS (explicit)", kApplicationTransfer},
    {u"HTTP", u"HTTP", kApplicationTransfer},
    {u"HTTPS", u"HTTPS", kApplicationTransfer},
    {u"HTTPS (S3)", u"HTTPS (S3)", kApplicationTransfer},
    {u"SCP", u"SCP", kApplicationTransfer},
    {u"None", u"None", kApplicationTransfer},
};

} // namespace

std::span<const ConnectProtocolRow> GetConnectProtocolTable()
{
    return kRows;
}

void SetConnectProtocolPageFactory(size_t index, ConnectProtocolPageFactory factory)
{
    if (index < std::size(kRows))
        kRows[index].pageFactory = factory;
}

const ConnectProtocolRow* FindProtocolByName(std::u16string_view name)
{
    for (const ConnectProtocolRow& row : kRows)
        if (VUnicodeString::CompareNoCase(row.name, name) == 0)
            return &row;
    return nullptr;
}

const ConnectProtocolRow* FindProtocolByDisplayName(std::u16string_view displayName)
{
    for (const ConnectProtocolRow& row : kRows)
        if (VUnicodeString::CompareNoCase(row.displayName, displayName) == 0)
            return &row;
    return nullptr;
}
