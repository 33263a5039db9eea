// The tree commands: each runs the session tree's own operations on a
// tree held in memory, so the rules, refusals and messages are the ones
// the dialogs have.
#include <algorithm>
#include <optional>
#include <set>

#include "HeadlessSessionTree.h"
#include "ToolArguments.h"
#include "ToolCommands.h"
#include "ToolSession.h"
#include "ToolText.h"
#include "platform/ProtocolTable.h"
#include "platform/SessionNameValidator.h"
#include "profile/reports/VReportMessageParams.h"
#include "profile/sessions/SessionDatabase.h"
#include "profile/store/VProfileStore.h"
#include "sessiontree/TreeClipboardRecord.h"

namespace {

SessionDatabase& Db()
{
    return *GetSessionDatabaseImpl();
}

VUnicodeString ParentOf(const VUnicodeString& path, VUnicodeString* leaf = nullptr)
{
    VUnicodeString parent;
    VUnicodeString name;
    SessionDatabase::SplitSessionPath(path, parent, name);
    if (leaf)
        *leaf = name;
    return parent;
}

VUnicodeString PathArgument(const ToolArguments& args, size_t index)
{
    return index < args.Count() ? SessionPathArgument(args.At(index)) : VUnicodeString();
}

// An item the command changes: never the top folder.
TreeItem RequireItem(HeadlessSessionTree& tree, const VUnicodeString& path, const char* verb)
{
    if (path.IsEmpty())
        throw ToolFailure(std::string("the top folder cannot be ") + verb);
    return tree.Require(path);
}

constexpr const char* kArrangements[] = {"alphabetical", "logical", "manual"};
constexpr int kManualArrangement = 2;

int MoveOrCopy(ToolSession& session, const CommandArgs& args, bool move)
{
    const ToolArguments a(args, {{"before", true}, {"after", true}}, 2, 2);
    if (a.Has("before") && a.Has("after"))
        throw UsageError("give --before or --after, not both");
    const VUnicodeString path = PathArgument(a, 0);
    const VUnicodeString folder = PathArgument(a, 1);
    HeadlessSessionTree tree(session, std::nullopt);
    const TreeItem item = RequireItem(tree, path, move ? "moved" : "copied");
    TreeItem target = tree.RequireFolder(folder);
    DropPosition position = DropPosition::Into;
    if (const auto beside = a.Value(a.Has("before") ? "before" : "after")) {
        // Everything is checked before anything changes.
        const std::string option = a.Has("before") ? "--before" : "--after";
        const int arrangement = session.Options().sortMode;
        if (arrangement != kManualArrangement)
            throw ToolFailure(option + " places an item in the order kept by hand, and the tree is arranged " +
                              kArrangements[std::clamp(arrangement, 0, 1)] +
                              ": run \"orvalis-sessions arrange manual\" first");
        const VUnicodeString name = FromUtf8Argument(*beside, "the name");
        if (name.IsEmpty() || name.Find(u'/') != VUnicodeString::npos || name.Find(u'\\') != VUnicodeString::npos)
            throw ToolFailure(option + " names an item of the folder \"" + DisplayPath(folder) +
                              "\" itself, not a path: \"" + *beside + "\"");
        const VUnicodeString reference = SessionDatabase::JoinSessionPath(folder, name);
        if (!Db().SessionExists(reference))
            throw ToolFailure("the folder \"" + DisplayPath(folder) + "\" holds no item \"" + *beside + "\" for " +
                              option);
        target = tree.Require(reference);
        position = a.Has("before") ? DropPosition::Before : DropPosition::After;
    }

    TreeClipboardRecord record;
    record.sourceIdentity = tree.GetOwner()->GetDatabaseIdentity();
    record.paths.Add(tree.GetItemPath(item));
    record.isCut = move;
    (tree.IsFolder(item) ? record.hasFolders : record.hasSessions) = true;
    tree.SetSelection({});
    // One transaction for the whole paste, the firewall update included.
    const VProfileStore transaction;
    if (!tree.PasteRecord(record, target, position) || StatusOf(session) != 0)
        return 1;
    // The tree selects what it pasted; nothing selected means the item
    // already was where it was asked to go.
    const std::vector<TreeItem> selected = tree.GetSelectedItems();
    PrintLine(DisplayPath(selected.empty() ? record.paths[0] : tree.GetItemPath(selected.front())));
    return 0;
}

std::string ReportText(IReportMessageParams& report)
{
    return OneLine(report.GetText().str());
}

} // namespace

int StatusOf(ToolSession& session)
{
    return session.Box().Failures() > 0 ? 1 : 0;
}

std::optional<int> SortModeArgument(const std::optional<std::string>& text)
{
    if (!text)
        return std::nullopt;
    if (*text == "alpha")
        return 0;
    if (*text == "logical")
        return 1;
    if (*text == "manual")
        return 2;
    throw UsageError("--sort takes alpha, logical or manual, not \"" + *text + "\"");
}

int CommandTree(ToolSession& session, const CommandArgs& args)
{
    const ToolArguments a(args, {{"sort", true}, {"filter", true}}, 0, 1);
    const VUnicodeString folder = PathArgument(a, 0);
    HeadlessSessionTree tree(session, SortModeArgument(a.Value("sort")));
    TreeItem item = kNoTreeItem;
    if (const auto filter = a.Value("filter")) {
        if (!Db().IsFolder(folder))
            throw ToolFailure("no folder \"" + DisplayPath(folder) + "\"");
        tree.ApplyFilter(FromUtf8Argument(*filter, "the filter"));
        item = folder.IsEmpty() ? tree.GetRootItem() : tree.FindItem(folder);
        if (item == kNoTreeItem) { // the filter shows nothing of it
            VUnicodeString leaf;
            ParentOf(folder, &leaf);
            PrintLine(ToUtf8Lossy(leaf.str()) + "/");
            return StatusOf(session);
        }
    }
    if (item == kNoTreeItem)
        item = tree.RequireFolder(folder);
    if (!tree.IsFolder(item))
        throw ToolFailure("\"" + DisplayPath(folder) + "\" is a session, not a folder");
    tree.ExpandBelow(item);
    for (const VUnicodeString& line : tree.Outline(item))
        PrintLine(line.str());
    return StatusOf(session);
}

int CommandLs(ToolSession& session, const CommandArgs& args)
{
    const ToolArguments a(args, {{"sort", true}}, 0, 1);
    HeadlessSessionTree tree(session, SortModeArgument(a.Value("sort")));
    const TreeItem folder = tree.RequireFolder(PathArgument(a, 0));
    tree.ExpandItem(folder, true);
    for (TreeItem child = tree.GetChildItem(folder); child != kNoTreeItem; child = tree.GetNextSiblingItem(child))
        PrintLine(ToUtf8Lossy(tree.GetItemText(child).str()) + (tree.IsFolder(child) ? "/" : ""));
    return StatusOf(session);
}

int CommandFind(ToolSession& session, const CommandArgs& args)
{
    const ToolArguments a(
        args, {{"name", false}, {"host", false}, {"description", false}, {"folder", false}, {"match-case", false}},
        1, 1);
    FindOptions options;
    options.text = FromUtf8Argument(a.At(0), "the search text");
    if (options.text.IsEmpty())
        throw UsageError("the search text is empty");
    options.hostName = a.Has("host");
    options.description = a.Has("description");
    options.folderName = a.Has("folder");
    options.sessionName = a.Has("name") || !(options.hostName || options.description || options.folderName);
    options.matchCase = a.Has("match-case");

    HeadlessSessionTree tree(session, std::nullopt);
    tree.SetFindAnswer(options);
    const auto current = [&tree] {
        const std::vector<TreeItem> selected = tree.GetSelectedItems();
        return selected.empty() ? kNoTreeItem : selected.front();
    };
    tree.Find();
    const TreeItem first = current();
    if (first == kNoTreeItem || first == tree.GetRootItem())
        return 1; // the tree said it found nothing
    // Find Next goes on from the last hit and starts again at the top
    // after the last one: the walk is done when it comes round again.
    std::set<TreeItem> seen;
    for (TreeItem hit = first; seen.insert(hit).second; hit = current()) {
        PrintLine(DisplayPath(tree.GetItemPath(hit)));
        tree.FindNext();
    }
    return StatusOf(session);
}

int CommandMkdir(ToolSession& session, const CommandArgs& args)
{
    const ToolArguments a(args, {}, 1, 1);
    VUnicodeString name;
    const VUnicodeString path = PathArgument(a, 0);
    if (path.IsEmpty())
        throw UsageError("the folder to make has no name");
    const VUnicodeString parent = ParentOf(path, &name);
    HeadlessSessionTree tree(session, std::nullopt);
    tree.SelectItem(tree.RequireFolder(parent));
    tree.NewFolder();
    // The new folder is named as the user names it in the tree: the edit
    // the tree opened is ended with the name given.
    if (!tree.FinishLabelEdit(name, false))
        throw ToolFailure("the tree made no new folder in \"" + DisplayPath(parent) + "\"");
    if (tree.GetEditedItem() != kNoTreeItem)
        return 1; // refused: the tree said why and opened the edit again
    return StatusOf(session);
}

int CommandAdd(ToolSession& session, const CommandArgs& args)
{
    const ToolArguments a(args,
                          {{"protocol", true},
                           {"transfer-protocol", true},
                           {"host", true},
                           {"user", true},
                           {"description", true},
                           {"unique", false}},
                          1, 1);
    const VUnicodeString path = PathArgument(a, 0);
    if (path.IsEmpty())
        throw UsageError("the session to add has no name");
    NewSessionRequest request;
    const VUnicodeString parent = ParentOf(path, &request.name);
    const auto protocolName = [](const std::string& text, const char* option) {
        const VUnicodeString name = FromUtf8Argument(text, option);
        if (name.EqualsNoCase(kProtocolNone))
            return VUnicodeString(kProtocolNone);
        const ConnectProtocolRow* row = FindProtocolByName(name.str());
        if (!row)
            throw UsageError(std::string("unknown protocol \"") + text + "\" for " + option);
        return VUnicodeString(row->name);
    };
    if (const auto protocol = a.Value("protocol"))
        request.protocol = protocolName(*protocol, "--protocol");
    if (const auto transfer = a.Value("transfer-protocol"))
        request.transferProtocol = protocolName(*transfer, "--transfer-protocol");
    if (const auto host = a.Value("host"))
        request.host = FromUtf8Argument(*host, "the host name");
    if (const auto user = a.Value("user"))
        request.user = FromUtf8Argument(*user, "the user name");
    if (const auto description = a.Value("description"))
        request.description = FromUtf8Argument(*description, "the description");
    request.unique = a.Has("unique");

    HeadlessSessionTree tree(session, std::nullopt);
    tree.SelectItem(tree.RequireFolder(parent));
    tree.SetNewSessionRequest(request);
    tree.NewSession();
    const std::vector<TreeItem> selected = tree.GetSelectedItems();
    if (StatusOf(session) != 0 || selected.empty() || tree.IsFolder(selected.front()))
        return 1;
    PrintLine(DisplayPath(tree.GetItemPath(selected.front())));
    return 0;
}

int CommandRename(ToolSession& session, const CommandArgs& args)
{
    const ToolArguments a(args, {}, 2, 2);
    const VUnicodeString path = PathArgument(a, 0);
    const VUnicodeString name = FromUtf8Argument(a.At(1), "the new name");
    HeadlessSessionTree tree(session, std::nullopt);
    tree.SelectItem(RequireItem(tree, path, "renamed"));
    tree.Rename();
    if (!tree.FinishLabelEdit(name, false))
        throw ToolFailure("the tree did not start renaming \"" + DisplayPath(path) + "\"");
    if (tree.GetEditedItem() != kNoTreeItem)
        return 1; // refused: the tree said why and opened the edit again
    return StatusOf(session);
}

int CommandArrange(ToolSession& session, const CommandArgs& args)
{
    const ToolArguments a(args, {}, 0, 1);
    if (a.Count() == 0) {
        PrintLine(kArrangements[std::clamp(session.Options().sortMode, 0, 2)]);
        return StatusOf(session);
    }
    int mode = -1;
    for (int i = 0; i < 3; ++i)
        if (a.At(0) == kArrangements[i])
            mode = i;
    if (a.At(0) == "alpha")
        mode = 0;
    if (mode < 0)
        throw UsageError("arrange takes alphabetical, logical or manual, not \"" + a.At(0) + "\"");
    // As the tree's Arrange Tree menu sets it: the global option, kept.
    HeadlessSessionTree tree(session, std::nullopt);
    tree.SetSortMode(mode);
    return StatusOf(session);
}

int CommandExpand(ToolSession& session, const CommandArgs& args, bool expanded)
{
    const ToolArguments a(args, {}, 1, 1);
    const VUnicodeString folder = PathArgument(a, 0);
    if (folder.IsEmpty())
        throw ToolFailure("the top folder is always expanded");
    if (!Db().IsFolder(folder))
        throw ToolFailure(Db().IsSession(folder) ? "\"" + DisplayPath(folder) + "\" is a session, not a folder"
                                                 : "no folder \"" + DisplayPath(folder) + "\"");
    Db().SetFolderExpanded(folder, expanded);
    return StatusOf(session);
}

int CommandExpand(ToolSession& session, const CommandArgs& args)
{
    return CommandExpand(session, args, true);
}

int CommandCollapse(ToolSession& session, const CommandArgs& args)
{
    return CommandExpand(session, args, false);
}

int CommandDuplicate(ToolSession& session, const CommandArgs& args)
{
    const ToolArguments a(args, {{"host", true}}, 2, 2);
    const VUnicodeString path = PathArgument(a, 0);
    if (!Db().IsSession(path))
        throw ToolFailure(Db().IsFolder(path) ? "\"" + DisplayPath(path) + "\" is a folder: only a session is duplicated"
                                              : "no session \"" + DisplayPath(path) + "\"");
    // Trimmed as the prompt trims what is typed, then the session-name rules.
    std::u16string name = FromUtf8Argument(a.At(1), "the name").str();
    while (!name.empty() && (name.back() == u' ' || name.back() == u'\t'))
        name.pop_back();
    while (!name.empty() && (name.front() == u' ' || name.front() == u'\t'))
        name.erase(0, 1);
    VUnicodeString leaf;
    const VUnicodeString folder = ParentOf(path, &leaf);
    if (!ValidateSessionName(folder, {}, name, true, nullptr))
        return 1; // the rules said why
    const VUnicodeString copyPath = SessionDatabase::JoinSessionPath(folder, VUnicodeString(name));
    if (Db().SessionExists(copyPath))
        throw ToolFailure("'" + ToUtf8Lossy(name) + "' is already in use.");
    // The library's duplicate: one transaction, the copy right after the
    // original, its host set when given.
    VReportPtr report = NewReport();
    VUnicodeString made;
    std::optional<VUnicodeString> host;
    if (const auto given = a.Value("host"))
        host = FromUtf8Argument(*given, "the host name");
    if (!Db().DuplicateSession(path, VUnicodeString(name), host ? &*host : nullptr, leaf, true, &made, report.Get()))
        throw ToolFailure(ReportText(*report));
    PrintLine(DisplayPath(made));
    return StatusOf(session);
}

int CommandMove(ToolSession& session, const CommandArgs& args)
{
    return MoveOrCopy(session, args, true);
}

int CommandCopy(ToolSession& session, const CommandArgs& args)
{
    return MoveOrCopy(session, args, false);
}

int CommandDelete(ToolSession& session, const CommandArgs& args)
{
    const ToolArguments a(args, {}, 1, SIZE_MAX);
    HeadlessSessionTree tree(session, std::nullopt);
    std::vector<TreeItem> items;
    for (size_t i = 0; i < a.Count(); ++i)
        items.push_back(RequireItem(tree, PathArgument(a, i), "deleted"));
    tree.SetSelection(items);
    tree.Delete();
    return StatusOf(session);
}
