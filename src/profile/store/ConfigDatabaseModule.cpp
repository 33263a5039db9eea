#include "profile/store/ConfigDatabaseModule.h"

#include "platform/PlatformError.h"

ConfigDatabaseModule& ConfigDatabaseModule::Instance()
{
    // An object, not a pointer left on the heap: a host that unloads the
    // library must not keep a piece of it. Its module stays loaded.
    static ConfigDatabaseModule module;
    return module;
}

void ConfigDatabaseModule::EnsureLoaded()
{
    if (m_tried)
        return;
    m_tried = true;
    const PlatformError before = GetPlatformLastError(); // a missing module is no error of the caller's
    struct Restore {
        const PlatformError& error;
        ~Restore() { SetPlatformLastError(error.code, error.text); }
    } restore{before};
    std::u16string folder =
        m_folder.empty() ? ModuleFolderOf(reinterpret_cast<const void*>(&ConfigDatabaseModule::Instance)) : m_folder;
    if (folder.empty())
        return;
    if (folder.back() != u'/')
        folder += u'/';
    m_module = LoadModule(folder + kFileName);
    if (!m_module)
        return;
    m_entry = reinterpret_cast<CreateProfileFolderDataBridgeFunction>(GetModuleEntry(m_module, kEntryName));
    if (!m_entry) {
        FreeModule(m_module);
        m_module = nullptr;
    }
}

IProfileFolderDataBridge* ConfigDatabaseModule::CreateBridge(IProfileBackendKey* root, const VUnicodeString& folderPath)
{
    EnsureLoaded();
    return m_entry && root ? m_entry(root, folderPath.c_str()) : nullptr;
}

bool ConfigDatabaseModule::IsLoaded()
{
    EnsureLoaded();
    return m_entry != nullptr;
}

void ConfigDatabaseModule::SetFolder(std::u16string folder)
{
    FreeModule(m_module);
    m_module = nullptr;
    m_entry = nullptr;
    m_tried = false;
    m_folder = std::move(folder);
}
