#pragma once

// What every reader of another program's sessions must keep: a file reads
// or is refused with a reason, never a crash; what reads becomes an
// exchange document whose names the tree can hold, each once in its
// folder, with protocols of the protocol table (or a refusal of folders
// nested past the limit).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "platform/ProtocolTable.h"
#include "profile/exchange/ForeignSessions.h"

class ForeignChecker : public IExchangeVisitor {
public:
    void BeginFolder(const ExchangeFolder& folder) override
    {
        m_checks.CheckItemName(folder.name, 0);
        m_checks.EnterFolder();
    }
    void EndFolder() override { m_checks.LeaveFolder(); }
    void Session(const ExchangeSession& session) override
    {
        m_checks.CheckItemName(session.name, 0);
        m_checks.CheckValueNames(session);
        for (const ExchangeNamedValue& value : session.values)
            if ((value.name == u"Protocol Name" || value.name == u"Transfer Protocol Name") &&
                !FindProtocolByName(value.value.text.str()))
                std::abort();
    }

private:
    ExchangeChecks m_checks{"fuzz"};
};

inline void CheckForeignReader(const std::function<ForeignDocument()>& read)
{
    std::optional<ForeignDocument> document;
    try {
        document.emplace(read());
    } catch (const ExchangeError& error) {
        if (error.Message().empty())
            std::abort();
        return;
    }
    ForeignChecker checker;
    try {
        WalkForeignDocument(*document, checker, [](const std::u16string& plain, std::string&) {
            return std::optional<VUnicodeString>(VUnicodeString(u"03:" + plain));
        });
    } catch (const ExchangeError& error) {
        // The walk makes every name one the tree holds; it refuses only
        // folders nested past the limit.
        if (error.Message().find("folders are nested more than") == std::string::npos) {
            std::fprintf(stderr, "%s\n", error.what());
            std::abort();
        }
    }
}
