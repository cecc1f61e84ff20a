#include "HttpFixtureServer.h"
#include "TestMain.h"
#include "download/TargetFile.h"

#include <QDir>
#include <QTemporaryDir>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

class tst_TargetFile final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void names_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QString>("document");
        QTest::addColumn<QString>("path"); // empty: refused
        const auto row = [](const char *name, QString folder, QString prefix, QString document,
                            QString path) {
            QTest::newRow(name) << folder << prefix << document << path;
        };
        row("folder with separator", "/d/", "p_", "/a/b.jpg", "/d/p_ab.jpg");
        row("folder without separator", "/d", "", "/x?y=7:a", "/d/x?y=7:a");
        row("dot", "/d", "", "/.", "");
        row("prefix and dot make dot dot", "/d", ".", "/.", "");
        row("NUL in the name", "/d", "", QString("/a") + QChar(0), "");
    }
    void names()
    {
        QFETCH(QString, folder);
        QFETCH(QString, prefix);
        QFETCH(QString, document);
        const QString name = TargetFileName(prefix, document);
        const bool usable = IsUsableTargetFolder(folder) && IsUsableFileName(name);
        QTEST(usable ? TargetFolderPart(folder) + name : QString(), "path");
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
        QFETCH(bool, written);
        QTemporaryDir dir;
        const QString oldPath = dir.filePath("f");
        if (!old.isNull()) {
            QFile file(oldPath);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(old) == old.size());
        }
        const QByteArray body = HttpFixtureServer::patternBody(300000);
        QString error;
        bool ok = false;
        {
            const mode_t savedMask = ::umask(mode_t(umask));
            struct rlimit savedLimit;
            QVERIFY(::getrlimit(RLIMIT_FSIZE, &savedLimit) == 0);
            const auto savedSignal = std::signal(SIGXFSZ, SIG_IGN);
            const auto restore = qScopeGuard([&] {
                ::setrlimit(RLIMIT_FSIZE, &savedLimit);
                std::signal(SIGXFSZ, savedSignal);
                ::umask(savedMask);
            });
            struct rlimit limit = savedLimit;
            limit.rlim_cur = sizeLimit;
            QVERIFY(::setrlimit(RLIMIT_FSIZE, &limit) == 0);
            ok = WriteFileReplacing(dir.filePath(name), body, &error);
        }
        QCOMPARE(ok, written);
        QCOMPARE(error.isEmpty(), written);
        // Only the target is there: no hidden temporary file in any case.
        const QStringList entries =
            QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        QCOMPARE(entries, (written || !old.isNull()) ? QStringList{"f"} : QStringList());
        QFile file(oldPath);
        QCOMPARE(file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray(),
                 written ? body : old);
        if (written) {
            struct stat st;
            QVERIFY(::stat(QFile::encodeName(oldPath).constData(), &st) == 0);
            QCOMPARE(st.st_mode & 0777, 0666u & ~unsigned(umask));
        }
    }
};

VORNIX_TEST_MAIN(tst_TargetFile)
#include "tst_TargetFile.moc"
