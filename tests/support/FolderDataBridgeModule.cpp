// A configuration-database module for the folder-data tests. It serves the
// folders whose path begins with "Bridged" and keeps their lists in the
// store under "BridgeTest", the way a module with a database of its own
// would keep them elsewhere.
#include <memory>

#include "profile/store/IProfileFolderDataBridge.h"
#include "profile/store/ProfileBackend.h"

namespace {

class TestBridge final : public IProfileFolderDataBridge {
public:
    explicit TestBridge(IProfileBackendKey* key) : m_key(key) {}
    bool GetExpanded() override
    {
        uint32_t expanded = 0;
        return m_key->ReadDword(u"Expanded", expanded) && expanded != 0;
    }
    void SetExpanded(bool expanded) override { m_key->WriteUnsigned(u"Expanded", expanded ? 1 : 0); }
    void GetFolderList(VStringArray& names) override { Read(u"Folders", names); }
    void GetSessionList(VStringArray& names) override { Read(u"Sessions", names); }
    void MoveItem(const VUnicodeString& name, const VUnicodeString& reference, bool after) override
    {
        m_key->WriteStringArray(u"Last Move", VStringArray{name, reference, after ? u"after" : u"before"});
        for (const char16_t* list : {u"Folders", u"Sessions"}) {
            VStringArray names;
            Read(list, names);
            size_t from = names.GetSize();
            for (size_t i = 0; i < names.GetSize(); ++i)
                if (names[i] == name)
                    from = i;
            if (from == names.GetSize())
                continue;
            names.RemoveAt(from);
            for (size_t i = 0; i < names.GetSize(); ++i)
                if (names[i] == reference) {
                    names.InsertAt(after ? i + 1 : i, name);
                    break;
                }
            m_key->WriteStringArray(list, names);
        }
    }

private:
    void Read(const char16_t* list, VStringArray& names)
    {
        names.Clear();
        m_key->ReadStringArray(list, names);
    }
    std::unique_ptr<IProfileBackendKey> m_key;
};

} // namespace

extern "C" __attribute__((visibility("default"))) IProfileFolderDataBridge*
CreateProfileFolderDataBridge(IProfileBackendKey* root, const char16_t* folderPath)
{
    const std::u16string_view path(folderPath);
    if (!root || !path.starts_with(u"Bridged"))
        return nullptr;
    IProfileBackendKey* key = root->OpenKey(VUnicodeString(u"BridgeTest\\") + path, 0, 1);
    return key ? new TestBridge(key) : nullptr;
}
