#include "HttpFixtureServer.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "download/TargetFile.h"

#include <QScopeGuard>
#include <QTemporaryDir>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

struct Naming
{
    QString folder, prefix, document, path; // path: empty where refused
};

class tst_TargetFile final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Past the file size limit a write then fails with EFBIG instead of ending the process.
    void initTestCase() { std::signal(SIGXFSZ, SIG_IGN); }

    void names_data()
    {
        QTest::addColumn<Naming>("row");
        const auto row = [](const char *name, const Naming &r) { QTest::newRow(name) << r; };
        row("folder with separator", {"/d/", "p_", "/a/b.jpg", "/d/p_ab.jpg"});
        row("folder without separator", {"/d", "", "/x?y=7:a", "/d/x?y=7:a"});
        row("dot", {"/d", "", "/.", ""});
        row("prefix and dot make dot dot", {"/d", ".", "/.", ""});
        row("NUL in the name", {"/d", "", QString("/a") + QChar(0), ""});
    }
    void names()
    {
        QFETCH(Naming, row);
        const QString name = TargetFileName(row.prefix, row.document);
        const bool usable = IsUsableTargetFolder(row.folder) && IsUsableFileName(name);
        QCOMPARE(usable ? TargetFolderPart(row.folder) + name : QString(), row.path);
    }

    void write_data()
    {
        QTest::addColumn<int>("umask");
        QTest::addColumn<QByteArray>("old"); // null: no file yet
        QTest::addColumn<QString>("name");   // inside a fresh folder
        QTest::addColumn<rlim_t>("sizeLimit");
        QTest::addColumn<bool>("written");
        const QByteArray old(1000, 'o');
        const rlim_t none = RLIM_INFINITY;
        QTest::newRow("new file, umask 022") << 022 << QByteArray() << "f" << none << true;
        QTest::newRow("new file, umask 077") << 077 << QByteArray() << "f" << none << true;
        QTest::newRow("longer file replaced whole") << 022 << old << "f" << none << true;
        QTest::newRow("folder is a file") << 022 << old << "f/g" << none << false;
        // Between the old and the new length: a write in place would already have cut the old.
        QTest::newRow("write fails half-way") << 022 << old << "f" << rlim_t(4096) << false;
        QTest::newRow("no room at all") << 077 << old << "f" << rlim_t(0) << false;
    }
    void write()
    {
        QFETCH(int, umask);
        QFETCH(QByteArray, old);
        QFETCH(QString, name);
        QFETCH(rlim_t, sizeLimit);
        QTemporaryDir dir;
        const QString target = dir.filePath("f");
        const QByteArray body = HttpFixtureServer::patternBody(300000);
        struct rlimit saved;
        QVERIFY(::getrlimit(RLIMIT_FSIZE, &saved) == 0);
        const auto restore = qScopeGuard([saved, mask = ::umask(mode_t(umask))] {
            ::setrlimit(RLIMIT_FSIZE, &saved);
            ::umask(mask);
        });
        QVERIFY(old.isNull() || writeFile(target, old));
        const struct rlimit limit = {sizeLimit, saved.rlim_max};
        QVERIFY(::setrlimit(RLIMIT_FSIZE, &limit) == 0);
        QString error;
        const bool ok = WriteFileReplacing(dir.filePath(name), body, &error);
        QTEST(ok, "written");
        QCOMPARE(error.isEmpty(), ok);
        // Only the target is there: no hidden temporary file in any case.
        QCOMPARE(filesBelow(dir.path()), QStringList{"f"});
        QCOMPARE(readFile(target), ok ? body : old);
        // A new file gets the umask's permissions, and a failed write leaves the old file's.
        struct stat st;
        QVERIFY(::stat(QFile::encodeName(target).constData(), &st) == 0);
        QCOMPARE(st.st_mode & 0777, 0666u & ~unsigned(umask));
    }
};

VORNIX_TEST_MAIN(tst_TargetFile)
#include "tst_TargetFile.moc"
