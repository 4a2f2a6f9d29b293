#pragma once
// The two places a records store can live, for tests typed over both: a SQLite file in the
// test's scratch folder and a new database on this test program's PostgreSQL server. A server
// that could not start gives an empty location, which the tests report as a failure.

#include <gtest/gtest.h>

#include <string>
#include <type_traits>

#include "records/postgres_server.h"
#include "support/temp_dir.h"

namespace vq::test {

struct SqliteBackend {
    static std::string location(const TempDir& dir) { return dir.file("records.sqlite"); }
};

struct PostgresBackend {
    static std::string location(const TempDir&) {
        PostgresServer& server = PostgresServer::instance();
        return server.running() ? server.newDatabaseUrl().toStdString() : std::string();
    }
};

using Backends = ::testing::Types<SqliteBackend, PostgresBackend>;

class BackendNames {
  public:
    template <typename T>
    static std::string GetName(int) {
        return std::is_same_v<T, SqliteBackend> ? "Sqlite" : "Postgres";
    }
};

}  // namespace vq::test
