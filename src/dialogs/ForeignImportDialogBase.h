#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/VUnicodeString.h"
#include "profile/exchange/ForeignImport.h"
#include "profile/exchange/SessionExchangeDatabase.h"

// "Import from Another Program": the program and its file, whether
// passwords come along (and mRemoteNG's master password), what to do with
// a name that is taken; Preview runs the import as a dry run and keeps
// what it would do, Import runs it. Both read the file afresh.
class ForeignImportDialogBase {
public:
    explicit ForeignImportDialogBase(VUnicodeString targetFolder);
    virtual ~ForeignImportDialogBase() = default;

    struct Outcome {
        std::vector<SessionImportItem> items;
        std::vector<std::string> notes; // values not carried over
        std::string error;               // set when the file does not read
        bool Failed() const { return !error.empty(); }
    };

    ForeignProgram program = ForeignProgram::OpenSsh;
    std::string path;
    bool withPasswords = false;
    std::optional<std::u16string> masterPassword;
    ImportConflict conflict = ImportConflict::Skip;
    // While sessions are written: how many of how many are done.
    std::function<void(size_t done, size_t total)> onProgress;

    // The usual place of the chosen program's file on this system, or empty.
    std::string DefaultPath() const;
    Outcome Preview() { return Run(true); }
    Outcome Import() { return Run(false); }
    const VUnicodeString& TargetFolder() const { return m_targetFolder; }

    // How an item reads in the list: "Added: Folder/name".
    static std::u16string Describe(const SessionImportItem& item);

private:
    Outcome Run(bool dryRun);
    VUnicodeString m_targetFolder;
};
