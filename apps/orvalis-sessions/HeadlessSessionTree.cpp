#include "HeadlessSessionTree.h"

#include "ToolSession.h"
#include "ToolText.h"
#include "profile/sessions/SessionDatabase.h"
#include "profile/store/VProfileStore.h"
#include "profile/reports/VReportMessageParams.h"

HeadlessSessionTree::HeadlessSessionTree(ToolSession& session, std::optional<int> sortMode)
    : ToolTreeOwnerHolder{ToolTreeOwner(session.Application(), VUnicodeString::FromUtf8(session.DatabasePath()))},
      MemorySessionTree(&owner)
{
    // The tree reads the arrangement from the process's options at every
    // fill; an arrangement asked for on the command line is put there for
    // this run and never saved.
    if (sortMode)
        session.Options().sortMode = *sortMode;
    Initialize();
}

TreeItem HeadlessSessionTree::Require(const VUnicodeString& path)
{
    const TreeItem item = path.IsEmpty() ? GetRootItem() : FindItem(path);
    if (item == kNoTreeItem)
        throw ToolFailure("no session or folder \"" + DisplayPath(path) + "\"");
    return item;
}

TreeItem HeadlessSessionTree::RequireFolder(const VUnicodeString& path)
{
    const TreeItem item = Require(path);
    if (!IsFolder(item))
        throw ToolFailure("\"" + DisplayPath(path) + "\" is a session, not a folder");
    return item;
}

void HeadlessSessionTree::ExpandBelow(TreeItem item)
{
    std::vector<TreeItem> pending{item};
    while (!pending.empty()) {
        const TreeItem at = pending.back();
        pending.pop_back();
        if (!IsFolder(at))
            continue;
        ExpandItem(at, true);
        for (TreeItem child = GetChildItem(at); child != kNoTreeItem; child = GetNextSiblingItem(child))
            pending.push_back(child);
    }
}

bool HeadlessSessionTree::ShowFindDialog(FindOptions& options)
{
    if (!m_find)
        return false;
    options = *m_find;
    return true;
}

bool HeadlessSessionTree::RunNewSessionWizard(const VUnicodeString& folderPath, VUnicodeString& createdPath)
{
    const NewSessionRequest& request = *m_newSession;
    SessionDatabase& db = *GetSessionDatabaseImpl();
    // Named, made and given its settings in one transaction, so that no
    // other process takes the name meanwhile or sees it without them.
    const VProfileStore transaction;
    const VUnicodeString name = request.unique ? db.MakeUniqueSessionName(folderPath, request.name) : request.name;
    VReportPtr report = NewReport();
    VUnicodeString path;
    bool made = db.CreateSession(folderPath, name, request.protocol, {}, false, &path, report.Get());
    if (made) {
        SessionConfigPtr config = db.LoadSession(path);
        made = config.Get() != nullptr;
        if (made) {
            if (request.transferProtocol)
                config->Connect().SetTransferProtocolName(*request.transferProtocol);
            if (request.host)
                config->RemoteHost().SetHostname(*request.host);
            if (request.user)
                config->RemoteHost().SetUsername(*request.user);
            if (request.description)
                config->SetDescription(*request.description);
            made = db.SaveSession(*config, report.Get());
        }
    }
    if (!made) {
        Message(report->GetText().str(), kMbOk | kMbIconExclamation);
        return false;
    }
    createdPath = path;
    return true;
}
