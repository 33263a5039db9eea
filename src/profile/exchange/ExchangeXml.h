#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "profile/exchange/SessionExchange.h"

// The XML encoding of the exchange model:
//   <orvalis-sessions version="1">
//     <folder name="N" expanded="true|false"> folders, then sessions </folder>
//     <session name="N">
//       <value name="N" kind="K">text, number, true/false or hex</value>
//       <value name="N" kind="list"><item>text</item>...</value>
//     </session>
//   </orvalis-sessions>
// A value whose texts XML cannot carry (most control characters, unpaired
// surrogates) has encoding="utf16" and gives each text as hex of its UTF-16
// code units.

// Reads a document from `in` with a streaming (SAX) reader, in blocks,
// handing each folder and session to `visitor` as it is read. Document type
// declarations (and so entities) are refused. Errors name `file` and the line.
void ReadExchangeXml(std::istream& in, const std::string& file, IExchangeVisitor& visitor);

class XmlExchangeWriter : public IExchangeWriter {
public:
    explicit XmlExchangeWriter(std::ostream& out) : m_out(out) {}
    void BeginDocument() override;
    void EndDocument() override;
    void BeginFolder(const ExchangeFolder& folder) override;
    void EndFolder() override;
    void Session(const ExchangeSession& session) override;

private:
    void Indent();
    void Escaped(std::u16string_view text, bool attribute);

    std::ostream& m_out;
    size_t m_depth = 0;
};
