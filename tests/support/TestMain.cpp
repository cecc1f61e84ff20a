#include "TestMain.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <cstdlib>
#include <memory>

std::unique_ptr<QTemporaryDir> isolateUserEnvironment()
{
    // A folder per process, removed when the tests are done; the tests must
    // not leave anything in the real home.
    auto home =
        std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/vornix-test-XXXXXX"));
    if (!home->isValid())
        std::abort();
    const QByteArray dir = QFile::encodeName(home->path());
    // XDG_CONFIG_HOME and the like: each a folder of its own.
    for (const QByteArray sub : {"CONFIG_HOME", "DATA_HOME", "CACHE_HOME", "RUNTIME_DIR"}) {
        QDir().mkpath(QFile::decodeName(dir + '/' + sub));
        qputenv(QByteArray("XDG_" + sub).constData(), dir + '/' + sub);
    }
    QFile::setPermissions(QFile::decodeName(dir + "/RUNTIME_DIR"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("HOME", dir);
    qputenv("XDG_DOWNLOAD_DIR", dir + "/Downloads");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Proxy variables of the machine must not leak into loopback tests.
    for (const char *name : {"http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "all_proxy",
                             "ALL_PROXY", "no_proxy", "NO_PROXY"})
        qunsetenv(name);
    return home;
}
