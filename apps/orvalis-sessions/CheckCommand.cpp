// The full check of the database file, which opening no longer runs.
#include <string>

#include "ToolArguments.h"
#include "ToolCommands.h"
#include "ToolSession.h"
#include "ToolText.h"

int CommandCheck(ToolSession& session, const CommandArgs& args)
{
    const ToolArguments a(args, {}, 0, 0);
    std::string detail;
    const bool sound = session.Database().CheckIntegrity(detail);
    size_t start = 0;
    while (start <= detail.size()) {
        const size_t end = detail.find('\n', start);
        PrintLine(detail.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return sound ? StatusOf(session) : 1;
}
