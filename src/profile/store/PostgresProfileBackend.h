#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "core/Export.h"
#include "profile/store/ProfileBackend.h"

// The shared store: the key/value tree in a PostgreSQL database that a team
// uses at once, over libpq (a `postgresql://` connection URI; libpq's
// environment, ~/.pgpass and service files apply). The tables live in the
// connection's current schema and are made on first use, marked with the
// schema version; a schema that holds other tables is refused and left as
// it is. The outermost store alive is one transaction: it reads in a
// read-only snapshot that never waits, becomes a serializable writer at its
// first write (one writer at a time: a conflict with another writer is
// retried within the busy timeout, then refused with a report), and is
// committed when that store ends, or rolled back when it was abandoned. A
// role that may not write reads the tree, and every write is refused.
class ORV_EXPORT PostgresProfileFactory final : public VProfileStoreFactory {
public:
    explicit PostgresProfileFactory(std::string uri);
    ~PostgresProfileFactory() override;
    IProfileBackendStore* CreateStore() override;

    const std::string& Uri() const;
    // False when the server could not be reached or the schema is not ours
    // (a report said why); the next store tries again.
    bool IsOpen() const;
    // True when the connected role may not change the tables.
    bool IsReadOnly() const override;
    // Listens on a second connection for the announcements of other
    // clients' commits to the same schema; a listener that was lost counts
    // as a change (announcements may have been missed).
    bool TakeOutsideChanges(VStringArray& folders) override;
    // How many queries the back end has sent, so that tests can hold
    // reading a whole session to one.
    uint64_t StatementsRun() const;
    // How long a writer waits for another one, in milliseconds.
    void SetBusyTimeout(int milliseconds);

    class Connection;

private:
    std::unique_ptr<Connection> m_db;
};

// Whether `location` names a PostgreSQL database rather than a file.
ORV_EXPORT bool IsPostgresUri(std::string_view location);
// The back end that `location` names by its form: a PostgreSQL connection
// URI, else an SQLite file (empty: the default file).
ORV_EXPORT std::unique_ptr<VProfileStoreFactory> MakeProfileStoreFactory(const std::string& location);
