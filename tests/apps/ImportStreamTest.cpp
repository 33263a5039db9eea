#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ImportStream.h"

namespace {

// Writes down the pieces as they come.
class Recorder final : public ImportStreamSink {
public:
    void BeginFolder() override { pieces.push_back("begin"); }
    void EndFolder(const JsonValue& members) override { pieces.push_back("end " + WriteJson(members)); }
    void FolderValue(const JsonValue& value) override { pieces.push_back("folder value " + WriteJson(value)); }
    void Session(const JsonValue& session) override
    {
        pieces.push_back("session line " + std::to_string(session.Line()) + " " + WriteJson(session));
    }
    void EndDocument(const JsonValue& members) override { pieces.push_back("document " + WriteJson(members)); }
    std::vector<std::string> pieces;
};

std::string Compact(std::string text)
{
    std::string out;
    for (char c : text)
        if (c != ' ' && c != '\n')
            out += c;
    return out;
}

TEST(ImportStream, HandsOverFoldersAndSessionsPieceByPieceInDocumentOrder)
{
    Recorder sink;
    StreamImportDocument("{\"version\": 1,\n \"folders\": [\n  {\"sessions\": [{\"name\": \"a\"},\n    {\"name\": \"b\", "
                         "\"values\": [1]}],\n   \"name\": \"F\", \"folders\": [{\"name\": \"G\"}]},\n  3],\n"
                         " \"sessions\": [\"odd\"], \"format\": \"x\", \"other\": {\"deep\": [true, null]}}\n",
                         sink);
    for (std::string& piece : sink.pieces)
        piece = Compact(piece);
    EXPECT_EQ(sink.pieces, (std::vector<std::string>{
                               "begin",
                               "sessionline3{\"name\":\"a\"}",
                               "sessionline4{\"name\":\"b\",\"values\":[1]}",
                               "begin",
                               "end{\"name\":\"G\"}",
                               "end{\"name\":\"F\"}",
                               "foldervalue3",
                               "sessionline7\"odd\"",
                               "document{\"version\":1,\"format\":\"x\",\"other\":{\"deep\":[true,null]}}",
                           }));
}

TEST(ImportStream, RefusesWhatIsNoJsonNamingTheLine)
{
    for (const auto& [text, line] : std::vector<std::pair<std::string, int>>{
             {"{\"a\": 1,\n}", 2},
             {"{\"s\": \"\\uDE00\"}", 1},
             {"{\"s\":\n \"\\uD800\"}", 2},
             {"\xEF\xBB\xBF{}", 1},
             {"", 1},
             {std::string(300, '[') + std::string(300, ']'), 1},
         }) {
        Recorder sink;
        try {
            StreamImportDocument(text, sink);
            ADD_FAILURE() << "read: " << text;
        } catch (const JsonError& error) {
            EXPECT_EQ(error.line, line) << text;
            EXPECT_FALSE(error.message.empty());
        }
    }
}

} // namespace
