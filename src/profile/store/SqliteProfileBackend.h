#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/Export.h"
#include "profile/store/ProfileBackend.h"

// The embedded store: one SQLite database file (mode 0600, WAL,
// synchronous=FULL). The outermost store alive is one transaction, taken
// at once for writing (both of the suite's applications may use the file;
// the other waits), and committed when that store ends, so an operation is
// all or nothing whenever the process stops. A file that is not a database,
// or fails its check at open, is moved aside under a dated name (with a
// report) and a fresh database is made.
class ORV_EXPORT SqliteProfileFactory final : public VProfileStoreFactory {
public:
    // `path` empty: ORV_CONFIG_DB, else config.db in the configuration folder.
    explicit SqliteProfileFactory(std::string path = {});
    ~SqliteProfileFactory() override;
    IProfileBackendStore* CreateStore() override;

    static std::string DefaultPath();
    const std::string& Path() const;
    // False when the file could not be opened or made (a report said why).
    bool IsOpen() const;
    // How many queries the back end has run on the file, so that tests can
    // hold reading a whole session to one.
    uint64_t StatementsRun() const;

    class Database;

private:
    std::unique_ptr<Database> m_db;
};

// The store a host gets when it names no factory of its own: the database
// at SqliteProfileFactory::DefaultPath(), opened on first use and kept for
// the rest of the process.
ORV_EXPORT VProfileStoreFactory* GetDefaultProfileStoreFactory();
