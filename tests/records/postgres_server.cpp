#include "records/postgres_server.h"

#include <pwd.h>
#include <unistd.h>

#include <QDir>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTcpServer>
#include <QTemporaryDir>
#include <cstdlib>
#include <filesystem>

namespace vq::test {

namespace {

QString findBin() {
    const QDir lib("/usr/lib/postgresql");
    QStringList versions = lib.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    // The newest installed server.
    for (auto it = versions.crbegin(); it != versions.crend(); ++it) {
        const QString bin = lib.filePath(*it + "/bin");
        if (QFileInfo(bin + "/initdb").isExecutable() && QFileInfo(bin + "/pg_ctl").isExecutable())
            return bin;
    }
    return {};
}

int freePort() {
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0)) return 0;
    return probe.serverPort();
}

}  // namespace

PostgresServer& PostgresServer::instance() {
    static PostgresServer server;
    return server;
}

PostgresServer::PostgresServer() {
    start();
}

QString PostgresServer::runTool(const QString& program, const QStringList& args, int limitMs) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    if (geteuid() == 0) {
        process.start("runuser", QStringList{"-u", "postgres", "--", program} + args);
    } else {
        process.start(program, args);
    }
    if (!process.waitForStarted(10000)) return program + " did not start: " + process.errorString();
    if (!process.waitForFinished(limitMs)) {
        process.kill();
        process.waitForFinished(5000);
        return program + " did not finish in " + QString::number(limitMs / 1000) + " s";
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return program + " failed: " + QString::fromLocal8Bit(process.readAll());
    return {};
}

void PostgresServer::start() {
    bin_ = findBin();
    if (bin_.isEmpty()) {
        error_ = "no PostgreSQL server under /usr/lib/postgresql (the postgresql package)";
        return;
    }
    if (!QSqlDatabase::isDriverAvailable("QPSQL")) {
        error_ = "the Qt QPSQL driver is not installed (libqt6sql6-psql)";
        return;
    }
    char pattern[] = "/tmp/vq-records-pg-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        error_ = "no scratch folder for the server";
        return;
    }
    dir_ = QString::fromLocal8Bit(pattern);
    if (geteuid() == 0) {
        const passwd* postgres = getpwnam("postgres");
        if (postgres == nullptr) {
            error_ = "running as root and there is no postgres user to run the server as";
            return;
        }
        if (chown(pattern, postgres->pw_uid, postgres->pw_gid) != 0) {
            error_ = "the scratch folder cannot be handed to the postgres user";
            return;
        }
    }
    const QString data = dir_ + "/data";
    if (const QString e = runTool(
            bin_ + "/initdb",
            {"-D", data, "-U", user(), "-A", "trust", "--no-sync", "-E", "UTF8", "--locale=C"},
            120000);
        !e.isEmpty()) {
        error_ = e;
        return;
    }
    // Another program may take the port between the look and the start: try a few.
    for (int attempt = 0; attempt < 5; ++attempt) {
        port_ = freePort();
        error_ = runServer();
        if (error_.isEmpty()) return;
    }
}

QString PostgresServer::runServer() {
    const QString options = QStringLiteral(
                                "-c listen_addresses=127.0.0.1 -p %1 -k %2 "
                                "-c fsync=off -c max_connections=40")
                                .arg(port_)
                                .arg(dir_);
    return runTool(bin_ + "/pg_ctl",
                   {"-D", dir_ + "/data", "-o", options, "-l", dir_ + "/server.log", "-w", "-t",
                    "60", "start"},
                   90000);
}

QString PostgresServer::restart() {
    error_ = runServer();
    stopped_ = !error_.isEmpty();
    return error_;
}

QString PostgresServer::stopNow() {
    stopped_ = true;
    return runTool(bin_ + "/pg_ctl", {"-D", dir_ + "/data", "-m", "immediate", "-w", "stop"},
                   30000);
}

PostgresServer::~PostgresServer() {
    if (!dir_.isEmpty()) {
        if (port_ != 0 && !stopped_) stopNow();
        std::error_code ignored;
        std::filesystem::remove_all(dir_.toStdString(), ignored);
    }
}

QString PostgresServer::newDatabaseUrl() {
    const QString name = QStringLiteral("records_%1").arg(++databases_);
    {
        QSqlDatabase admin = QSqlDatabase::addDatabase("QPSQL", "vq-test-admin");
        admin.setHostName("127.0.0.1");
        admin.setPort(port_);
        admin.setUserName(user());
        admin.setDatabaseName("postgres");
        if (admin.open()) {
            QSqlQuery query(admin);
            // The name is ours, made above; no value from outside goes into it.
            if (!query.exec("CREATE DATABASE " + name)) error_ = query.lastError().text();
        } else {
            error_ = admin.lastError().text();
        }
        admin.close();
    }
    QSqlDatabase::removeDatabase("vq-test-admin");
    return QStringLiteral("postgresql://%1@127.0.0.1:%2/%3").arg(user()).arg(port_).arg(name);
}

}  // namespace vq::test
