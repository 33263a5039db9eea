#pragma once

#include <optional>
#include <string>
#include <vector>

#include "sessiontree/MemorySessionTree.h"

class ToolSession;

// The tool stands as the tree's owner: the host kind is the application
// number given on the command line, and the database's identity is its file.
class ToolTreeOwner final : public ISessionTreeOwner {
public:
    ToolTreeOwner(int hostKind, VUnicodeString identity) : m_hostKind(hostKind), m_identity(std::move(identity)) {}
    int GetHostKind() const override { return m_hostKind; }
    VUnicodeString GetDatabaseIdentity() const override { return m_identity; }
    void OnSessionDatabaseChanged(int, int) override {}
    void OnSessionDatabaseViewChanged() override {}

private:
    int m_hostKind;
    VUnicodeString m_identity;
};

// What `add` asks for: it stands in for the new-session wizard.
struct NewSessionRequest {
    VUnicodeString name;
    VUnicodeString protocol;
    std::optional<VUnicodeString> transferProtocol;
    std::optional<VUnicodeString> host;
    std::optional<VUnicodeString> user;
    std::optional<VUnicodeString> description;
    bool unique = false;
};

// Made before the tree that points at it, gone after it.
struct ToolTreeOwnerHolder {
    ToolTreeOwner owner;
};

// The session tree of the tool: the tree's own rules over a control held
// in memory. Its dialogs answer from the command line: the Find dialog
// with the options given, the new-session wizard with the settings given.
class HeadlessSessionTree final : private ToolTreeOwnerHolder, public MemorySessionTree {
public:
    // Filled with the stored arrangement, or `sortMode` for this run only
    // (the stored one is left as it is).
    HeadlessSessionTree(ToolSession& session, std::optional<int> sortMode);

    // The item at a path given on the command line; ToolFailure when there is none.
    TreeItem Require(const VUnicodeString& path);
    TreeItem RequireFolder(const VUnicodeString& path);
    // Expands every folder below `item`, loading each as the tree does.
    void ExpandBelow(TreeItem item);

    void SetFindAnswer(const FindOptions& options) { m_find = options; }
    void SetNewSessionRequest(const NewSessionRequest& request) { m_newSession = request; }

protected:
    bool ShowFindDialog(FindOptions& options) override;
    bool UseNewSessionWizard() const override { return m_newSession.has_value(); }
    bool RunNewSessionWizard(const VUnicodeString& folderPath, VUnicodeString& createdPath) override;

private:
    std::optional<FindOptions> m_find;
    std::optional<NewSessionRequest> m_newSession;
};
