#include "ToolImport.h"

#include <iostream>
#include <optional>

#include "Progress.h"
#include "ToolText.h"

bool RunToolImport(SessionExchangeImport& import, const std::function<void(IExchangeVisitor&)>& read)
{
    std::optional<Progress> progress;
    import.onChecked = [&](size_t sessions) { progress.emplace("importing", sessions, 0); };
    import.onSession = [&](const SessionImportItem& item) {
        static constexpr const char* kWords[] = {"added", "skipped", "renamed", "replaced"};
        PrintLine(std::string(kWords[static_cast<int>(item.outcome)]) + "\t" + DisplayPath(item.path));
        progress->Step();
    };
    bool refused = false;
    import.onRefusal = [&](const std::string& text) {
        if (!refused) // said once; the import ends with 1
            std::cerr << "orvalis-sessions: " << text << "\n";
        refused = true;
    };
    try {
        import.Run(read);
    } catch (const ExchangeError& error) {
        throw ToolFailure(error.what());
    }
    return refused;
}
