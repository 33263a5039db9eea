#include "profile/exchange/MRemoteNgReader.h"

#include <cryptopp/aes.h>
#include <cryptopp/base64.h>
#include <cryptopp/filters.h>
#include <cryptopp/gcm.h>
#include <cryptopp/pwdbased.h>
#include <cryptopp/sha.h>
#include <pugixml.hpp>

#include "core/UnicodeConversion.h"
#include "profile/exchange/CsvReader.h"
#include "profile/exchange/CsvTable.h"
#include "profile/exchange/FileZillaReader.h"

namespace {

constexpr size_t kSaltSize = 16;
constexpr size_t kNonceSize = 16;
constexpr size_t kTagSize = 16;
constexpr size_t kKeySize = 32;

struct Inherited {
    std::u16string protocol = u"RDP";
    std::u16string user;
    std::u16string password; // as stored
    std::u16string description;
    std::optional<int> port;
};

class Walker {
public:
    Walker(std::string_view text, ForeignDocument& document, const ForeignReadOptions& options, std::string key,
           int iterations, bool keyWorks)
        : m_lines(text), m_document(document), m_options(options), m_key(std::move(key)), m_iterations(iterations),
          m_keyWorks(keyWorks)
    {
    }

    void Children(const pugi::xml_node& parent, std::vector<std::u16string>& folders, const Inherited& above)
    {
        for (const pugi::xml_node& node : parent.children("Node")) {
            const std::string_view type = node.attribute("Type").value();
            Inherited mine = Resolve(node, above);
            if (type == "Container") {
                if (folders.size() >= static_cast<size_t>(kExchangeMaximumDepth))
                    m_document.Fail(Line(node), "folders are nested too deep");
                folders.push_back(Text(node, "Name"));
                Children(node, folders, mine);
                folders.pop_back();
            } else if (type == "Connection") {
                Connection(node, folders, mine);
            } else {
                m_document.Fail(Line(node), "a Node of the unknown type \"" + std::string(type) + "\"");
            }
        }
    }

private:
    int Line(const pugi::xml_node& node) const
    {
        return m_lines.LineAt(node.offset_debug());
    }
    std::u16string Text(const pugi::xml_node& node, const char* name) const
    {
        return ForeignText(node.attribute(name).value(), m_document, Line(node));
    }
    bool Inherits(const pugi::xml_node& node, const char* what) const
    {
        return std::string_view(node.attribute((std::string("Inherit") + what).c_str()).value()) == "true";
    }
    // The node's values, each taken from above where the node says so.
    Inherited Resolve(const pugi::xml_node& node, const Inherited& above) const
    {
        Inherited mine;
        mine.protocol = Inherits(node, "Protocol") || !node.attribute("Protocol") ? above.protocol : Text(node, "Protocol");
        mine.user = Inherits(node, "Username") ? above.user : Text(node, "Username");
        mine.password = Inherits(node, "Password") ? above.password : Text(node, "Password");
        mine.description = Inherits(node, "Description") ? above.description : Text(node, "Descr");
        if (Inherits(node, "Port"))
            mine.port = above.port;
        else
            mine.port = ForeignPort(node.attribute("Port").value(), m_document, Line(node));
        return mine;
    }

    void Connection(const pugi::xml_node& node, const std::vector<std::u16string>& folders, const Inherited& values)
    {
        ForeignSession session;
        session.line = Line(node);
        session.folders = folders;
        session.name = Text(node, "Name");
        session.host = Text(node, "Hostname");
        session.protocol = values.protocol;
        session.user = values.user;
        session.port = values.port;
        session.description = values.description;
        if (!Text(node, "Domain").empty())
            m_document.Note(session.line, session.name, "the domain \"" + std::string(node.attribute("Domain").value()) + "\"");
        if (m_options.withPasswords && !values.password.empty()) {
            std::optional<std::string> plain;
            if (m_keyWorks)
                plain = MRemoteNgReader::Decrypt(ForeignUtf8(values.password), m_key, m_iterations);
            std::u16string text;
            if (plain && TryUtf16(*plain, text))
                session.password = text;
            else
                m_document.Note(session.line, session.name,
                                m_keyWorks ? "the password (it cannot be decrypted)"
                                           : "the password (it cannot be decrypted: the file's key is not the one given)");
        }
        m_document.sessions.push_back(std::move(session));
    }

    LineIndex m_lines;
    ForeignDocument& m_document;
    const ForeignReadOptions& m_options;
    std::string m_key;
    int m_iterations;
    bool m_keyWorks;
};

std::string Base64Of(const std::string& bytes)
{
    std::string out;
    CryptoPP::StringSource source(bytes, true, new CryptoPP::Base64Encoder(new CryptoPP::StringSink(out), false));
    return out;
}

void DeriveKey(std::string_view key, const CryptoPP::byte* salt, int iterations, CryptoPP::byte* out)
{
    CryptoPP::PKCS5_PBKDF2_HMAC<CryptoPP::SHA1> kdf;
    kdf.DeriveKey(out, kKeySize, 0, reinterpret_cast<const CryptoPP::byte*>(key.data()), key.size(), salt, kSaltSize,
                  static_cast<unsigned int>(iterations));
}

} // namespace

std::optional<std::string> MRemoteNgReader::Decrypt(std::string_view base64, std::string_view key, int iterations)
{
    bool ok = true;
    const std::string bytes = Base64Decoded(base64, ok);
    if (!ok || bytes.size() < kSaltSize + kNonceSize + kTagSize)
        return std::nullopt;
    const auto* data = reinterpret_cast<const CryptoPP::byte*>(bytes.data());
    CryptoPP::byte derived[kKeySize];
    DeriveKey(key, data, iterations, derived);
    const size_t size = bytes.size() - kSaltSize - kNonceSize - kTagSize;
    std::string plain(size, '\0');
    try {
        CryptoPP::GCM<CryptoPP::AES>::Decryption gcm;
        gcm.SetKeyWithIV(derived, kKeySize, data + kSaltSize, kNonceSize);
        const bool verified = gcm.DecryptAndVerify(
            reinterpret_cast<CryptoPP::byte*>(plain.data()), data + bytes.size() - kTagSize, kTagSize,
            data + kSaltSize, kNonceSize, data, kSaltSize, data + kSaltSize + kNonceSize, size);
        CryptoPP::SecureWipeArray(derived, kKeySize);
        if (!verified)
            return std::nullopt;
    } catch (const CryptoPP::Exception&) {
        return std::nullopt;
    }
    return plain;
}

std::string MRemoteNgReader::Encrypt(std::string_view plaintext, std::string_view key, int iterations,
                                     const std::string& salt, const std::string& nonce)
{
    CryptoPP::byte derived[kKeySize];
    DeriveKey(key, reinterpret_cast<const CryptoPP::byte*>(salt.data()), iterations, derived);
    std::string cipher(plaintext.size(), '\0');
    std::string tag(kTagSize, '\0');
    CryptoPP::GCM<CryptoPP::AES>::Encryption gcm;
    gcm.SetKeyWithIV(derived, kKeySize, reinterpret_cast<const CryptoPP::byte*>(nonce.data()), kNonceSize);
    gcm.EncryptAndAuthenticate(reinterpret_cast<CryptoPP::byte*>(cipher.data()),
                               reinterpret_cast<CryptoPP::byte*>(tag.data()), kTagSize,
                               reinterpret_cast<const CryptoPP::byte*>(nonce.data()), kNonceSize,
                               reinterpret_cast<const CryptoPP::byte*>(salt.data()), kSaltSize,
                               reinterpret_cast<const CryptoPP::byte*>(plaintext.data()), plaintext.size());
    CryptoPP::SecureWipeArray(derived, kKeySize);
    return Base64Of(salt + nonce + cipher + tag);
}

ForeignDocument MRemoteNgReader::Read(std::string_view text, const std::string& file, const ForeignReadOptions& options)
{
    ForeignDocument document(file);
    pugi::xml_document xml;
    const pugi::xml_parse_result parsed = xml.load_buffer(text.data(), text.size(), pugi::parse_default, pugi::encoding_auto);
    if (!parsed)
        document.Fail(LineAt(text, static_cast<size_t>(parsed.offset)), parsed.description());
    pugi::xml_node root = xml.document_element();
    const std::string_view rootName = root.name();
    if (rootName != "Connections" && !rootName.ends_with(":Connections"))
        document.Fail(0, "no <Connections> root: not an mRemoteNG connections file");
    const std::string_view engine = root.attribute("EncryptionEngine").value();
    const std::string_view mode = root.attribute("BlockCipherMode").value();
    int iterations = kDefaultIterations;
    if (root.attribute("KdfIterations")) {
        const std::string_view given = root.attribute("KdfIterations").value();
        iterations = 0;
        bool digits = !given.empty() && given.size() <= 7;
        for (char c : given) {
            digits = digits && c >= '0' && c <= '9';
            iterations = iterations * 10 + (c - '0');
        }
        if (!digits || iterations < 1 || iterations > kMaximumIterations)
            document.Fail(LineAt(text, static_cast<size_t>(std::max<ptrdiff_t>(root.offset_debug(), 0))),
                          "KdfIterations must be a number from 1 to " + std::to_string(kMaximumIterations));
    }
    const bool gcm = (engine.empty() || engine == "AES") && (mode.empty() || mode == "GCM");
    const std::string key = Utf16ToUtf8(options.masterPassword.value_or(kDefaultKey));
    // The Protected text tells whether the key is the file's.
    const std::string_view protectedText = root.attribute("Protected").value();
    const bool keyWorks = gcm && (protectedText.empty() || Decrypt(protectedText, key, iterations).has_value());
    pugi::xml_document inner;
    if (std::string_view(root.attribute("FullFileEncryption").value()) == "true") {
        const std::optional<std::string> plain =
            keyWorks ? Decrypt(root.child_value(), key, iterations) : std::nullopt;
        if (!plain)
            document.Fail(0, "the file is encrypted and cannot be decrypted with the key given");
        const pugi::xml_parse_result again =
            inner.load_buffer(plain->data(), plain->size(), pugi::parse_default | pugi::parse_fragment);
        if (!again)
            document.Fail(0, std::string("the decrypted contents do not read: ") + again.description());
        root = inner;
    } else if (!gcm && options.withPasswords) {
        document.Note(0, u"", "the passwords (the encryption " + std::string(engine) + "/" + std::string(mode) +
                                  " is not read here)");
    }
    std::vector<std::u16string> folders;
    Walker(text, document, options, key, iterations, keyWorks).Children(root, folders, Inherited{});
    return document;
}

ForeignDocument MRemoteNgReader::ReadCsv(std::string_view text, const std::string& file, const ForeignReadOptions& options)
{
    ForeignDocument document(file);
    const std::vector<CsvRow> rows = CsvTable::Parse(text, ';', document);
    if (rows.empty())
        document.Fail(1, "the file has no header line");
    const CsvRow& header = rows.front();
    const int name = CsvTable::Column(header, {"Name"});
    const int host = CsvTable::Column(header, {"Hostname"});
    if (name < 0 || host < 0)
        document.Fail(1, "the header names no Name and Hostname columns: not an mRemoteNG export");
    const int folder = CsvTable::Column(header, {"Folder"});
    const int description = CsvTable::Column(header, {"Description"});
    const int user = CsvTable::Column(header, {"Username"});
    const int password = CsvTable::Column(header, {"Password"});
    const int domain = CsvTable::Column(header, {"Domain"});
    const int protocol = CsvTable::Column(header, {"Protocol"});
    const int port = CsvTable::Column(header, {"Port"});
    for (size_t r = 1; r < rows.size(); ++r) {
        const CsvRow& row = rows[r];
        if (CsvTable::IsBlank(row))
            continue;
        auto field = [&](int column) { return CsvTable::Field(row, column, document); };
        ForeignSession session;
        session.line = row.line;
        session.name = field(name);
        session.host = field(host);
        session.folders = FolderPath(field(folder));
        session.description = field(description);
        session.user = field(user);
        session.protocol = field(protocol);
        if (port >= 0 && static_cast<size_t>(port) < row.fields.size())
            session.port = ForeignPort(row.fields[static_cast<size_t>(port)], document, row.line);
        if (!field(domain).empty())
            document.Note(row.line, session.name, "the domain \"" + ForeignUtf8(field(domain)) + "\"");
        if (options.withPasswords && !field(password).empty())
            session.password = field(password);
        document.sessions.push_back(std::move(session));
    }
    return document;
}
