#pragma once
// A real PostgreSQL server for the records tests: Debian's initdb and pg_ctl in a scratch folder,
// listening on a free port of 127.0.0.1 only, stopped and removed when the test program ends.
// The server refuses to run as root, so under root the folder is handed to the package's
// "postgres" user and the server runs as that user.
//
// A server that cannot be started is a failure with its reason, never a skipped test.

#include <QString>

namespace vq::test {

class PostgresServer {
  public:
    // The one server of this test program, started on first use.
    static PostgresServer& instance();
    // A server of the caller's own, to stop in the middle of a test.
    PostgresServer();
    ~PostgresServer();
    PostgresServer(const PostgresServer&) = delete;
    PostgresServer& operator=(const PostgresServer&) = delete;
    // Stops it at once, as a crash or a pulled cable would; the error text.
    QString stopNow();
    // Starts it again on the same data and port after stopNow(); the error text.
    QString restart();

    bool running() const { return error_.isEmpty(); }
    const QString& error() const { return error_; }
    int port() const { return port_; }
    QString user() const { return QStringLiteral("vq"); }
    // A new, empty database on the server; its records URL.
    QString newDatabaseUrl();

  private:
    void start();
    // pg_ctl start on dir_ and port_; the error text.
    QString runServer();
    // Runs a server program (as the postgres user when this process is root); the error text.
    QString runTool(const QString& program, const QStringList& args, int limitMs);

    QString bin_;
    QString dir_;
    int port_ = 0;
    bool stopped_ = false;
    int databases_ = 0;
    QString error_;
};

}  // namespace vq::test
