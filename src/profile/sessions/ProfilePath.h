#pragma once

#include <array>

#include "profile/values/VProfileSz.h"

// A path setting that may begin with one of four variables standing for
// the installation's base folders, so that a stored session keeps working
// when those folders move:
//   1 ${ORV_CONFIG_PATH}     configuration folder
//   2 ${ORV_INSTALL_PATH}    installation folder
//   3 ${ORV_USER_DATA_PATH}  user data folder
//   4 ${ORV_SSH_DATA_PATH}   SSH data folder
// The folders are taken when the value is made.
class ORV_EXPORT ProfilePath : public VProfile2<VUnicodeString, VProfileSz> {
public:
    using Folders = std::array<VUnicodeString, 4>;
    static constexpr const char16_t* kVariables[4] = {u"${ORV_CONFIG_PATH}", u"${ORV_INSTALL_PATH}",
                                                      u"${ORV_USER_DATA_PATH}", u"${ORV_SSH_DATA_PATH}"};

    // The base folders as they are now.
    static Folders CurrentFolders();

    ProfilePath() : m_folders(CurrentFolders()) {}
    ProfilePath(const VProfileKey* key, const VUnicodeString& name, const VUnicodeString* defaultValue,
                int loadMode = 0)
        : VProfile2(key, name, defaultValue, loadMode), m_folders(CurrentFolders())
    {
    }
    // With folders already read (a session reads them once for all its paths).
    ProfilePath(const VProfileKey* key, const VUnicodeString& name, const VUnicodeString* defaultValue, int loadMode,
                const Folders& folders)
        : VProfile2(key, name, defaultValue, loadMode), m_folders(folders)
    {
    }

    // The folder of variable `variable` (1 to 4); empty when unknown.
    const VUnicodeString& GetFolder(int variable) const;
    // When folder `variable` is known and the path begins with it (exact
    // comparison), the path becomes the variable followed by the rest and
    // the result is true; otherwise nothing changes.
    bool Collapse(int variable);
    // Tries the variables with the longest folder first, so that the SSH
    // data folder wins over the user data folder that holds it.
    bool Collapse();
    // The path with a leading variable replaced by its folder.
    VUnicodeString Expand() const;
    static VUnicodeString Expand(const VUnicodeString& path, const Folders& folders);

private:
    Folders m_folders;
};
