#pragma once

#include <string>

// Fills a new session database file with a few folders and sessions of
// several protocols, so the demo has something to show. Runs before the
// library is loaded, through the host's own copy of the store code; the
// file is the only thing the two share. False when the file could not be
// written.
bool SeedSampleDatabase(const std::string& path);
// Fills the command store of the database being seeded with a few command
// folders. Called by SeedSampleDatabase.
bool SeedSampleCommands();
