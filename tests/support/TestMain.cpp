#include "TestMain.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <cstdlib>

void isolateUserEnvironment()
{
    // A folder per process, removed by the system's temp cleaning; the tests
    // must not leave anything in the real home.
    QByteArray base = qgetenv("TMPDIR");
    QByteArray dir = (base.isEmpty() ? QByteArray("/tmp") : base) + "/vornix-test-XXXXXX";
    if (!mkdtemp(dir.data()))
        std::abort();
    for (const char *sub : {"config", "data", "cache", "runtime"})
        QDir().mkpath(QString::fromLocal8Bit(dir + '/' + sub));
    QFile::setPermissions(QString::fromLocal8Bit(dir + "/runtime"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", dir + "/runtime");
    qputenv("HOME", dir);
    qputenv("XDG_CONFIG_HOME", dir + "/config");
    qputenv("XDG_DATA_HOME", dir + "/data");
    qputenv("XDG_CACHE_HOME", dir + "/cache");
    qputenv("XDG_DOWNLOAD_DIR", dir + "/Downloads");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Proxy variables of the machine must not leak into loopback tests.
    for (const char *name : {"http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "all_proxy",
                             "ALL_PROXY", "no_proxy", "NO_PROXY"})
        qunsetenv(name);
}
