#pragma once

#include <string>

#include "core/VUnicodeString.h"
#include "platform/ModuleLoader.h"
#include "profile/store/IProfileFolderDataBridge.h"

// The optional configuration-database module, loaded once from the
// library's own folder. Without it (or without its entry) every folder
// keeps its order in the store and nothing is reported.
class ConfigDatabaseModule {
public:
    static constexpr char16_t kFileName[] = u"ConfigDatabaseModule.so";
    static constexpr char kEntryName[] = "CreateProfileFolderDataBridge";

    static ConfigDatabaseModule& Instance();

    // A bridge for the folder, or null (no module, or the module keeps
    // this folder in the store).
    IProfileFolderDataBridge* CreateBridge(IProfileBackendKey* root, const VUnicodeString& folderPath);
    bool IsLoaded();
    // Looks in `folder` instead at the next use (empty: the library's own
    // folder again). Only while no bridge of the current module is alive:
    // the current module is unloaded.
    void SetFolder(std::u16string folder);

    ConfigDatabaseModule(const ConfigDatabaseModule&) = delete;
    ConfigDatabaseModule& operator=(const ConfigDatabaseModule&) = delete;

private:
    ConfigDatabaseModule() = default;
    ~ConfigDatabaseModule() = default; // the module stays loaded: bridges may outlive the object at exit
    void EnsureLoaded();

    bool m_tried = false;
    ModuleHandle m_module = nullptr;
    CreateProfileFolderDataBridgeFunction m_entry = nullptr;
    std::u16string m_folder;
};
