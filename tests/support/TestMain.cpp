#include "TestMain.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <cstdlib>

void isolateUserEnvironment()
{
    // A folder per process, removed by the system's temp cleaning; the tests
    // must not leave anything in the real home.
    QByteArray base = qgetenv("TMPDIR");
    if (base.isEmpty())
        base = "/tmp";
    QByteArray dir = base + "/vornix-test-XXXXXX";
    if (!mkdtemp(dir.data()))
        std::abort();
    const QByteArray config = dir + "/config";
    const QByteArray data = dir + "/data";
    const QByteArray cache = dir + "/cache";
    QDir().mkpath(QString::fromLocal8Bit(config));
    QDir().mkpath(QString::fromLocal8Bit(data));
    QDir().mkpath(QString::fromLocal8Bit(cache));
    const QByteArray runtime = dir + "/runtime";
    QDir().mkpath(QString::fromLocal8Bit(runtime));
    QFile::setPermissions(QString::fromLocal8Bit(runtime),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", runtime);
    qputenv("HOME", dir);
    qputenv("XDG_CONFIG_HOME", config);
    qputenv("XDG_DATA_HOME", data);
    qputenv("XDG_CACHE_HOME", cache);
    qputenv("XDG_DOWNLOAD_DIR", dir + "/Downloads");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Proxy variables of the machine must not leak into loopback tests.
    for (const char *name : {"http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "all_proxy",
                             "ALL_PROXY", "no_proxy", "NO_PROXY"})
        qunsetenv(name);
}
