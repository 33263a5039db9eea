#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/Export.h"
#include "profile/store/ProfileBackend.h"

// The embedded store: one SQLite database file (mode 0600, WAL,
// synchronous=FULL). The outermost store alive is one transaction: it reads
// a snapshot without waiting for the other application, becomes the writer
// at its first write (waiting for the lock up to a timeout, then refused
// with a report), and is committed when that store ends, or rolled back
// when it was abandoned, so an operation is all or nothing whenever the
// process stops. Opening reads the file's header only, unless a process
// ended without closing the file (it left its "-open-" mark file behind):
// then the full check runs once. A file that is not a database, or that
// SQLite finds damaged (at open or later, confirmed by the full check), is
// moved aside under a dated name (with a report) and a fresh database is
// made. A database of another program is refused and left as it is; one of
// an older version is migrated in one transaction.
class ORV_EXPORT SqliteProfileFactory final : public VProfileStoreFactory {
public:
    // `path` empty: ORV_CONFIG_DB, else config.db in the configuration
    // folder; with neither, nothing is opened and a report says why.
    explicit SqliteProfileFactory(std::string path = {});
    ~SqliteProfileFactory() override;
    IProfileBackendStore* CreateStore() override;

    // Empty when there is no configuration folder to be had.
    static std::string DefaultPath();
    const std::string& Path() const;
    // False when the file could not be opened or made (a report said why).
    bool IsOpen() const;
    // How many queries the back end has run on the file, so that tests can
    // hold reading a whole session to one.
    uint64_t StatementsRun() const;
    // Whether the full check ran when the file was opened, because a
    // process had ended without closing it.
    bool CheckedAtOpen() const;
    // SQLite's full check of the whole file; `detail` is "ok" or the
    // problems found.
    bool CheckIntegrity(std::string& detail);
    // Another connection committed since the last call (PRAGMA
    // data_version); asked only between stores.
    bool TakeOutsideChanges(VStringArray& folders) override;

    class Database;

private:
    std::unique_ptr<Database> m_db;
};

// The store a host gets when it names no factory of its own: the database
// at SqliteProfileFactory::DefaultPath(), opened on first use and kept for
// the rest of the process.
ORV_EXPORT VProfileStoreFactory* GetDefaultProfileStoreFactory();
