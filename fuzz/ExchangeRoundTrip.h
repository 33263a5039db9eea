// What both exchange-document fuzz targets check: a document that reads is
// written out again and reads back as the same folders and sessions.
#pragma once

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "profile/exchange/SessionExchange.h"

struct FuzzFolder {
    ExchangeFolder folder;
    std::vector<FuzzFolder> folders;
    std::vector<ExchangeSession> sessions;
};

// Keeps a document as a tree, so that it can be written again (folders
// before sessions, as a writer takes them).
class FuzzRecorder : public IExchangeVisitor {
public:
    FuzzRecorder() { m_open.push_back(&root); }
    void BeginFolder(const ExchangeFolder& folder) override
    {
        m_open.back()->folders.push_back(FuzzFolder{folder, {}, {}});
        m_open.push_back(&m_open.back()->folders.back());
    }
    void EndFolder() override { m_open.pop_back(); }
    void Session(const ExchangeSession& session) override { m_open.back()->sessions.push_back(session); }

    FuzzFolder root;

private:
    std::vector<FuzzFolder*> m_open;
};

inline void WriteFuzzTree(const FuzzFolder& folder, IExchangeVisitor& out)
{
    for (const FuzzFolder& child : folder.folders) {
        out.BeginFolder(child.folder);
        WriteFuzzTree(child, out);
        out.EndFolder();
    }
    for (const ExchangeSession& session : folder.sessions)
        out.Session(session);
}

inline bool SameTree(const FuzzFolder& a, const FuzzFolder& b)
{
    if (a.folder.name != b.folder.name || a.folder.expanded != b.folder.expanded ||
        a.folders.size() != b.folders.size() || a.sessions.size() != b.sessions.size())
        return false;
    for (size_t i = 0; i < a.folders.size(); ++i)
        if (!SameTree(a.folders[i], b.folders[i]))
            return false;
    for (size_t i = 0; i < a.sessions.size(); ++i) {
        const ExchangeSession& x = a.sessions[i];
        const ExchangeSession& y = b.sessions[i];
        if (x.name != y.name || x.values.size() != y.values.size())
            return false;
        for (size_t j = 0; j < x.values.size(); ++j)
            if (x.values[j].name != y.values[j].name || !(x.values[j].value == y.values[j].value))
                return false;
    }
    return true;
}

template <class Writer, class Read>
void CheckRoundTrip(const uint8_t* data, size_t size, Read read)
{
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    FuzzRecorder first;
    try {
        read(in, first);
    } catch (const ExchangeError& error) {
        if (error.Line() < 0 || error.Message().empty())
            std::abort();
        return;
    }
    std::ostringstream written;
    Writer writer(written);
    writer.BeginDocument();
    WriteFuzzTree(first.root, writer);
    writer.EndDocument();
    std::istringstream again(written.str());
    FuzzRecorder second;
    try {
        read(again, second);
    } catch (const ExchangeError&) {
        std::abort();
    }
    if (!SameTree(first.root, second.root))
        std::abort();
}
