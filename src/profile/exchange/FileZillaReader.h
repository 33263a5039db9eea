#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "profile/exchange/ForeignSessions.h"

// FileZilla's sitemanager.xml: <Servers> holds <Server> elements and
// <Folder> elements (whose own text is their name) nested in any depth.
// A server's <Host>, <Port>, <Protocol> (0 FTP, 1 SFTP, 2 HTTP, 3 FTPS,
// 4 FTPES, 5 HTTPS, 6 plain FTP, 7 S3, 9 WebDAV), <User>, <Name> and
// <Comments>; <Pass encoding="base64"> holds the password as it is, with
// encoding="crypt" it is encrypted with FileZilla's master password.
class FileZillaReader {
public:
    static ForeignDocument Read(std::string_view text, const std::string& file, const ForeignReadOptions& options);
};

// The line of a byte offset in a text.
int LineAt(std::string_view text, size_t offset);

// The lines of byte offsets in one text, counted once: readers that ask
// for every element's line do not count from the start each time.
class LineIndex {
public:
    explicit LineIndex(std::string_view text);
    int LineAt(ptrdiff_t offset) const;

private:
    std::vector<size_t> m_breaks; // the offsets of the line feeds
};
