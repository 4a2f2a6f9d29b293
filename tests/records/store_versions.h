#pragma once
// A store as an earlier program left it, for the migration tests: each schema version undone,
// newest first, down to the one asked for, with statements run on the database directly (a
// SQLite file or a PostgreSQL database), outside the store.

#include <string>
#include <vector>

#include "platform/records_sql_store.h"

namespace vq::test {

// The statements that take a store of this program's version back to `version` (1 and up).
std::vector<std::string> DowngradeSteps(int version);

// Runs `statements` in order; false, with the statement and the database's error in `error`,
// at the first that fails.
bool RunRaw(const RecordsLocation& where, const std::vector<std::string>& statements,
            std::string& error);

// The store at `where` (closed) made a store of `version`.
bool DowngradeTo(const RecordsLocation& where, int version, std::string& error);

}  // namespace vq::test
