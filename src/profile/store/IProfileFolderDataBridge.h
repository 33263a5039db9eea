#pragma once

#include "core/VStringArray.h"
#include "core/VUnicodeString.h"

class IProfileBackendKey;

// What the configuration-database module offers in place of a folder's
// "__FolderData__" key: the order lists, the expanded state and moves
// within the manual order. Owned by the folder data that asked for it.
class IProfileFolderDataBridge {
public:
    virtual ~IProfileFolderDataBridge() = default;
    virtual bool GetExpanded() = 0;
    virtual void SetExpanded(bool expanded) = 0;
    // The names in stored order.
    virtual void GetFolderList(VStringArray& names) = 0;
    virtual void GetSessionList(VStringArray& names) = 0;
    // Places `name` just before `reference`, or just after it with `after`.
    virtual void MoveItem(const VUnicodeString& name, const VUnicodeString& reference, bool after) = 0;
};

// The module's entry "CreateProfileFolderDataBridge": the store's root
// back-end key (alive as long as the bridge) and the session folder's path
// ("" for the top). Null leaves the folder in the store.
using CreateProfileFolderDataBridgeFunction = IProfileFolderDataBridge* (*)(IProfileBackendKey* root,
                                                                            const char16_t* folderPath);
