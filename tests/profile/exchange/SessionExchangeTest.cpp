#include <gtest/gtest.h>

#include <atomic>
#include <sstream>

#include "StoreFixtures.h"
#include "profile/exchange/ExchangeJson.h"
#include "profile/exchange/ExchangeXml.h"
#include "profile/exchange/SessionExchangeDatabase.h"
#include "profile/sessions/ProfileFolderData.h"
#include "profile/sessions/SessionDatabase.h"
#include "profile/store/VProfileKey.h"
#include "profile/store/VProfileStore.h"

namespace {

using Lines = std::vector<std::string>;

VProfileStoreFactory* g_other = nullptr;
VProfileStoreFactory* OtherFactory()
{
    return g_other;
}

// Records what a reader hands on, one line an event.
class Events : public IExchangeVisitor {
public:
    void BeginFolder(const ExchangeFolder& folder) override
    {
        lines.push_back("folder " + folder.name.ToUtf8() + (folder.expanded ? *folder.expanded ? " +" : " -" : ""));
    }
    void EndFolder() override { lines.push_back("end"); }
    void Session(const ExchangeSession& session) override
    {
        std::string line = "session " + session.name.ToUtf8();
        for (const ExchangeNamedValue& value : session.values)
            line += " " + value.name.ToUtf8() + "=" + VUnicodeString(FormatValue(value.value)).ToUtf8();
        lines.push_back(line);
    }
    Lines lines;
};

class SessionExchange : public StoreTest {
protected:
    SessionDatabase& Db() { return *GetSessionDatabaseImpl(); }
    static void Folder(const std::u16string& path) { MakeFolder(path); }
    void Session(const std::u16string& path, const std::u16string& host)
    {
        VUnicodeString parent;
        VUnicodeString leaf;
        SessionDatabase::SplitSessionPath(VUnicodeString(path), parent, leaf);
        VUnicodeString made;
        ASSERT_TRUE(Db().CreateSession(parent, leaf, u"SSH2", {}, false, &made, nullptr));
        SessionConfigPtr config = Db().LoadSession(made);
        config->RemoteHost().SetHostname(host);
        ASSERT_TRUE(Db().SaveSession(*config, nullptr));
    }
    // A sample with what is hard to carry: nesting, order, expanded state,
    // values outside the schema, a secret's stored form, texts with
    // markup, line breaks and a control character.
    void Sample()
    {
        Folder(u"Servers");
        Folder(u"Servers\\Linux");
        Folder(u"Empty");
        Session(u"Servers\\Linux\\web02", u"web02");
        Session(u"Servers\\Linux\\web01", u"web01 <&> \"x\"");
        Session(u"top", u"top\r\nline\x1b");
        Db().SetFolderExpanded(u"Servers", true);
        ASSERT_TRUE(Db().WriteValuesOutsideSchema(
            u"top", {StoredValue{u"Engine List", kValueKindMultiString, 0, {}, VStringArray{u"a", u"", u"\x01"}},
                     StoredValue{u"Engine Blob", kValueKindBinary, 0, {}, {}, {0, 255}},
                     StoredValue{u"Engine Secret", kValueKindString, 0, u"03:00ff"}},
            nullptr));
        Db().DropCachedListings();
    }
    // Everything the database holds below "Sessions", as stored.
    void Dump(const VUnicodeString& folder, Lines& out, const std::string& indent = "")
    {
        const SessionDatabase::Listing listing = Db().GetListing(folder, ProfileFolderData::kSortManual);
        for (const VUnicodeString& name : listing.folders) {
            const VUnicodeString path = SessionDatabase::JoinSessionPath(folder, name);
            out.push_back(indent + name.ToUtf8() + "/" + (Db().IsFolderExpanded(path) ? " +" : ""));
            Dump(path, out, indent + "  ");
        }
        for (const VUnicodeString& name : listing.sessions) {
            const VUnicodeString path = SessionDatabase::JoinSessionPath(folder, name);
            out.push_back(indent + name.ToUtf8());
            const VProfileStore store;
            const VProfileKey key(*store.GetRootKey(), SessionDatabase::KeyPathFromSessionPath(path), 0);
            for (const StoredValue& value : ReadStoredValues(key))
                out.push_back(indent + "  " + ValueLine(value));
        }
    }
    static std::string ValueLine(const StoredValue& value)
    {
        return value.name.ToUtf8() + "=" + VUnicodeString(FormatValue(ValueOfStored(value))).ToUtf8();
    }
    Lines Dump()
    {
        Db().DropCachedListings();
        Lines out;
        Dump(VUnicodeString(), out);
        return out;
    }
    std::string Export(ExchangeFormat format)
    {
        std::ostringstream out;
        JsonExchangeWriter json(out);
        XmlExchangeWriter xml(out);
        IExchangeWriter& writer = format == ExchangeFormat::Xml ? static_cast<IExchangeWriter&>(xml) : json;
        writer.BeginDocument();
        SessionExchangeExport(Db()).FolderContents(u"", writer);
        writer.EndDocument();
        return out.str();
    }
    static void Read(ExchangeFormat format, const std::string& text, IExchangeVisitor& visitor)
    {
        std::istringstream in(text);
        if (format == ExchangeFormat::Xml)
            ReadExchangeXml(in, "doc", visitor);
        else
            ReadExchangeJson(in, "doc", visitor);
    }
    std::vector<SessionImportItem> Import(ExchangeFormat format, const std::string& text, const VUnicodeString& into)
    {
        std::vector<SessionImportItem> items;
        SessionExchangeImport import(Db(), into, "doc");
        import.onSession = [&](const SessionImportItem& item) { items.push_back(item); };
        import.Run([&](IExchangeVisitor& visitor) { Read(format, text, visitor); });
        return items;
    }
    // Runs `work` on a second, empty database of the same kind.
    template <class F>
    void OnAnotherDatabase(F work)
    {
        TempDir otherDir;
        std::unique_ptr<VProfileStoreFactory> other;
        if (IsSqlite())
            other = std::make_unique<SqliteProfileFactory>(otherDir.str() + "/other.db");
        else
            other = std::make_unique<MemoryProfileFactory>();
        const ProfileStoreFactoryGetter previous = GetProfileStoreFactoryGetter();
        g_other = other.get();
        SetProfileStoreFactoryGetter(&OtherFactory);
        Db().DropCachedListings();
        work();
        SetProfileStoreFactoryGetter(previous);
        Db().DropCachedListings();
    }
};

TEST_P(SessionExchange, ARoundTripThroughEitherEncodingGivesTheSameDatabase)
{
    Sample();
    const Lines before = Dump();
    ASSERT_FALSE(::testing::Test::HasFatalFailure());
    for (const ExchangeFormat format : {ExchangeFormat::Json, ExchangeFormat::Xml}) {
        const std::string document = Export(format);
        OnAnotherDatabase([&] {
            const std::vector<SessionImportItem> items = Import(format, document, u"");
            ASSERT_EQ(items.size(), 4u); // Default and the three sessions
            EXPECT_EQ(Dump(), before) << document;
            EXPECT_EQ(Export(format), document);
            // Again: every session exists and is left alone.
            for (const SessionImportItem& item : Import(format, document, u""))
                EXPECT_FALSE(item.added) << item.path.ToUtf8();
            EXPECT_EQ(Dump(), before);
        });
    }
    // The texts XML cannot carry went as UTF-16 hex; the others as text.
    const std::string xml = Export(ExchangeFormat::Xml);
    EXPECT_NE(xml.find("<value name=\"Engine List\" kind=\"list\" encoding=\"utf16\"><item>0061</item><item></item>"
                       "<item>0001</item></value>"),
              std::string::npos)
        << xml;
    EXPECT_NE(xml.find("kind=\"text\">web01 &lt;&amp;&gt; \"x\"</value>"), std::string::npos);
    EXPECT_NE(xml.find("<value name=\"Engine Secret\" kind=\"text\">03:00ff</value>"), std::string::npos);
}

TEST_P(SessionExchange, ASelectionGoesRelativeToTheFolderThatHoldsItAll)
{
    Sample();
    Folder(u"Servers\\Windows");
    Session(u"Servers\\Windows\\dc", u"dc");
    Events one;
    SessionExchangeExport(Db()).Items({u"Servers\\Linux\\web01"}, one);
    ASSERT_EQ(one.lines.size(), 1u);
    EXPECT_TRUE(one.lines[0].starts_with("session web01 ")) << one.lines[0];

    Events several;
    SessionExchangeExport exporter(Db());
    EXPECT_EQ(exporter.CountItems({u"Servers\\Linux", u"Servers\\Windows\\dc"}), 3u);
    exporter.Items({u"Servers\\Windows\\dc", u"Servers\\Linux", u"Servers\\Linux\\web01"}, several);
    Lines names;
    for (const std::string& line : several.lines)
        names.push_back(line.substr(0, line.find(' ', line.find(' ') + 1)));
    // The Linux folder whole (web01 once), then the Windows folder holding only dc.
    EXPECT_EQ(names, (Lines{"folder Linux", "session web02", "session web01", "end", "folder Windows", "session dc",
                            "end"}));

    Events everything;
    SessionExchangeExport(Db()).Items({u"", u"top"}, everything);
    EXPECT_EQ(everything.lines.front(), "folder Servers +");
}

TEST_P(SessionExchange, ABadDocumentImportsNothingAndNamesItsLine)
{
    Folder(u"Lab");
    Session(u"Lab\\taken", u"h");
    const Lines before = Dump();
    const std::string head = "{\"format\": \"orvalis-sessions\", \"version\": 1,\n\"sessions\": [\n";
    const std::vector<std::tuple<ExchangeFormat, std::string, std::string>> cases{
        {ExchangeFormat::Json, head + "{\"name\": \"new\"},\n{\"name\": \"Lab\"}]}", "doc line 4: \"Lab\" is a folder"},
        {ExchangeFormat::Json, head + "{\"name\": \"a\", \"values\": [{\"name\": \"Rows\", \"kind\": \"number\", "
                                      "\"value\": 99999999999}]}]}",
         "doc line 3: \"Rows\": the number must lie"},
        {ExchangeFormat::Json, "{\"version\": 1, \"format\": \"orvalis-sessions\",\n\"folders\": [{\"folders\": []}]}",
         "doc line 2: the folder lacks \"name\""},
        {ExchangeFormat::Json, "[1]", "doc line 1: the document must be an object, not an array"},
        {ExchangeFormat::Xml, "<orvalis-sessions version=\"1\">\n<session name=\"x\">\n<value name=\"Rows\" "
                              "kind=\"flag\">yes</value></session></orvalis-sessions>",
         "doc line 3: a flag is true or false"},
        {ExchangeFormat::Xml, "<orvalis-sessions version=\"2\"/>", "doc line 1: documents of version 1 are read"},
        {ExchangeFormat::Xml, "<orvalis-sessions version=\"1\">\n<folder name=\"a\">\n<session name=\"s\"/>\n"
                              "</session>",
         "doc line 4: mismatched tag"},
    };
    for (const auto& [format, text, message] : cases) {
        try {
            Import(format, text, u"");
            ADD_FAILURE() << "imported: " << text;
        } catch (const ExchangeError& error) {
            EXPECT_NE(std::string(error.what()).find(message), std::string::npos) << error.what();
        }
        EXPECT_TRUE(Dump() == before) << text;
    }
}

TEST_P(SessionExchange, ReadersHandOnEachSessionAsTheyMeetIt)
{
    // A document broken at its end: every session before the break has
    // been handed on, so nothing waited for the whole document.
    for (const auto& [format, text] :
         {std::pair{ExchangeFormat::Json, std::string("{\"format\": \"orvalis-sessions\", \"version\": 1, "
                                                      "\"folders\": [{\"name\": \"f\", \"expanded\": false, "
                                                      "\"sessions\": [{\"name\": \"a\"}, {\"name\": \"b\"}, ")},
          std::pair{ExchangeFormat::Xml, std::string("<orvalis-sessions version=\"1\"><folder name=\"f\" "
                                                     "expanded=\"false\"><session name=\"a\"/><session name=\"b\"/>"
                                                     "<session ")}}) {
        Events events;
        EXPECT_THROW(Read(format, text, events), ExchangeError);
        EXPECT_EQ(events.lines, (Lines{"folder f -", "session a", "session b"}));
        // Read ahead on a thread of its own: the same items, then the same failure.
        Events ahead;
        EXPECT_THROW(ReadAhead([&](IExchangeVisitor& visitor) { Read(format, text, visitor); }, ahead),
                     ExchangeError);
        EXPECT_EQ(ahead.lines, events.lines);
    }
}

TEST(ExchangeReadAhead, HandsOnEveryItemInOrderAndATakerThatFailsStopsTheReader)
{
    // Many more items than are read ahead at once.
    constexpr int kSessions = 2000;
    std::atomic<int> read{0};
    const auto reader = [&](IExchangeVisitor& visitor) {
        for (int i = 0; i < kSessions; ++i) {
            if (i % 100 == 0)
                visitor.BeginFolder({VUnicodeString::FromNumber(i / 100), std::nullopt, i});
            ExchangeSession session{VUnicodeString::FromNumber(i), {{u"Hostname", ExchangeValue(), i}}, i};
            visitor.Session(session);
            ++read;
            if (i % 100 == 99)
                visitor.EndFolder();
        }
    };
    Events direct;
    reader(direct);
    Events ahead;
    read = 0;
    ReadAhead(reader, ahead);
    EXPECT_EQ(ahead.lines, direct.lines);

    // The taker fails at the tenth session: that failure comes out, and
    // the reader stopped long before the end.
    class Failing : public Events {
    public:
        void Session(const ExchangeSession& session) override
        {
            if (++taken == 10)
                throw std::runtime_error("full disk");
            Events::Session(session);
        }
        int taken = 0;
    } failing;
    read = 0;
    try {
        ReadAhead(reader, failing);
        ADD_FAILURE() << "the taker's failure was lost";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "full disk");
    }
    EXPECT_EQ(failing.taken, 10);
    EXPECT_LT(read.load(), kSessions / 2);
}

// Texts that are no JSON at all, each refused with the line the reader
// stopped on before anything is handed on.
TEST(ExchangeJsonReader, RefusesWhatIsNoJsonNamingTheLine)
{
    for (const auto& [text, line] : std::vector<std::pair<std::string, int>>{
             {"{\"format\": \"orvalis-sessions\",\n}", 2},
             {"{\"format\": \"\\uDE00\"}", 1},
             {"{\"format\":\n \"\\uD800\"}", 2},
             {"\xEF\xBB\xBF{}", 1},
             {"", 1},
             {std::string(300, '[') + std::string(300, ']'), 1},
         }) {
        Events events;
        std::istringstream in(text);
        try {
            ReadExchangeJson(in, "doc", events);
            ADD_FAILURE() << "read: " << text;
        } catch (const ExchangeError& error) {
            EXPECT_EQ(error.Line(), line) << text << ": " << error.what();
            EXPECT_FALSE(error.Message().empty());
        }
        EXPECT_TRUE(events.lines.empty()) << text;
    }
}

ORV_BOTH_BACKENDS(SessionExchange);

} // namespace
