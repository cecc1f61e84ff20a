#include "HttpFixtureServer.h"
#include "TestMain.h"
#include "download/DownloadBatch.h"
#include "download/TargetFile.h"
#include "download/clsInet.h"

#include <QDir>
#include <QDirIterator>
#include <QScopeGuard>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <csignal>
#include <cstring>
#include <optional>
#include <sys/mount.h>
#include <sys/resource.h>

Q_DECLARE_METATYPE(DownloadBatch::Outcome)

namespace {
struct FakeView final : BatchView
{
    QString refererText, folder, defaultFolder, prefix;
    QStringList statusTexts;
    QList<Message> messages;
    bool cancel = false;
    bool cancelWhenBusy = false; // pressed while a finished body is being collected
    QString referer() const override { return refererText; }
    QString targetFolder() const override { return folder; }
    QString defaultTargetFolder() const override { return defaultFolder; }
    QString filePrefix() const override { return prefix; }
    void setStatusText(const QString &text) override { statusTexts.append(text); }
    bool cancelRequested() const override { return cancel; }
    void cancelActedOn() override { cancel = false; }
    Answer showMessage(const Message &message) override
    {
        messages.append(message);
        return Answer::Ok;
    }
    void setBusy(bool busy) override
    {
        if (busy && cancelWhenBusy)
            QMetaObject::invokeMethod(
                qApp, [this] { cancel = true; }, Qt::QueuedConnection);
    }
};

// A small file system of its own, for a full disk.
struct Tmpfs
{
    QTemporaryDir dir;
    bool mounted = false;
    QString error;
    explicit Tmpfs(const QByteArray &options)
    {
        mounted = ::mount("tmpfs", QFile::encodeName(dir.path()).constData(), "tmpfs", 0,
                          options.constData()) == 0;
        error = QString::fromLocal8Bit(std::strerror(errno));
    }
    ~Tmpfs()
    {
        if (mounted)
            ::umount2(QFile::encodeName(dir.path()).constData(), MNT_DETACH);
    }
};
} // namespace

class tst_DownloadBatch : public QObject
{
    Q_OBJECT
    std::unique_ptr<HttpFixtureServer> server;
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<clsInet> inet;
    FakeView view;
    DownloadBatch::Outcome run(const QStringList &paths)
    {
        QStringList urls;
        for (const QString &path : paths)
            urls << server->url(path);
        return DownloadBatch::run(*inet, urls, view).outcome;
    }
    QByteArray file(const QString &name, const QString &folder = {}) const
    {
        QFile f(QDir(folder.isEmpty() ? dir->path() : folder).filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    // Every file below the folder, temporary ones too, by relative path.
    QStringList files(const QString &folder = {}) const
    {
        const QString root = folder.isEmpty() ? dir->path() : folder;
        QStringList found;
        QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            found << QDir(root).relativeFilePath(it.next());
        found.sort();
        return found;
    }

private Q_SLOTS:
    void init()
    {
        server = std::make_unique<HttpFixtureServer>();
        QVERIFY(server->listen());
        server->setDefaultReply(
            HttpFixtureServer::Reply(HttpFixtureServer::Reply::Kind::Fixed, "new"));
        dir = std::make_unique<QTemporaryDir>();
        view = FakeView();
        inet = std::make_unique<clsInet>(view);
        view.folder = dir->path();
        view.defaultFolder = dir->filePath("Downloads");
    }

    void batch_data()
    {
        QTest::addColumn<QStringList>("paths");
        QTest::addColumn<QStringList>("before"); // name=content
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<QString>("box"); // a part of the only box shown
        QTest::addColumn<bool>("stops");
        using L = QStringList;
        const QString none, why = QStringLiteral("konnte nicht gespeichert werden");
        const QString cjk81(81, QChar(0x6F22)); // 243 bytes in UTF-8
        const QString a255(255, 'a'), a256(256, 'a');
        QTest::newRow("empty list") << L() << L() << "p" << L() << none << false;
        QTest::newRow("three in order")
            << L{"/i/0.jpg", "/i/1.jpg", "/i/2.jpg"} << L() << "p_"
            << L{"p_i0.jpg=new", "p_i1.jpg=new", "p_i2.jpg=new"} << none << false;
        QTest::newRow("404 keeps the old file, next fetched")
            << L{"/gone", "/next"} << L{"gone=old"} << "" << L{"gone=old", "next=new"}
            << "Inet Error 404" << false;
        QTest::newRow("climbing stays inside")
            << L{"/../../etc/passwd"} << L() << "" << L{"....etcpasswd=new"} << none << false;
        QTest::newRow("81 CJK characters")
            << L{"/" + cjk81} << L() << "" << L{cjk81 + "=new"} << none << false;
        QTest::newRow("255-byte name")
            << L{"/" + a255} << L() << "" << L{a255 + "=new"} << none << false;
        QTest::newRow("256-byte name leaves no temporary")
            << L{"/" + a256, "/b"} << L() << "" << L() << why << true;
        QTest::newRow("empty name") << L{"/", "/b"} << L() << "" << L() << why << true;
        QTest::newRow("name is dot dot") << L{"/..", "/b"} << L() << "" << L() << why << true;
    }
    void batch()
    {
        QFETCH(QStringList, paths);
        QFETCH(QStringList, before);
        QFETCH(QString, prefix);
        QFETCH(QStringList, after);
        QFETCH(QString, box);
        QFETCH(bool, stops);
        for (const QString &entry : before) {
            QFile f(dir->filePath(entry.section('=', 0, -2)));
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(entry.section('=', -1).toUtf8()) > 0);
        }
        server->serve("/gone", "", 404, "Not Found");
        // The referer is read just before each request.
        connect(server.get(), &HttpFixtureServer::requestReceived, this,
                [this] { view.refererText = QString::number(server->requests().size()); });
        view.refererText = "0";
        view.prefix = prefix;
        QCOMPARE(run(paths),
                 stops ? DownloadBatch::Outcome::WriteFailed : DownloadBatch::Outcome::Completed);
        QStringList written; // no partial or temporary file either
        for (const QString &name : files())
            written << name + '=' + file(name);
        QCOMPARE(written, after);
        const qsizetype fetched = stops ? 1 : paths.size(); // a failed write ends the batch
        QCOMPARE(server->requests().size(), fetched);
        QCOMPARE(view.statusTexts.size(), fetched);
        for (int i = 0; i < fetched; ++i) {
            QCOMPARE(view.statusTexts[i], "Download: " + server->url(paths[i]));
            QCOMPARE(server->requests()[i].headerValues("Referer"),
                     QList<QByteArray>{QByteArray::number(i)});
        }
        QCOMPARE(view.messages.size(), box.isEmpty() ? 0 : 1);
        QVERIFY2(view.messages.value(0).text.contains(box), qPrintable(box));
    }

    void twentyUrls_data()
    {
        QTest::addColumn<QString>("url");    // %1 is the fixture's host:port, § the index
        QTest::addColumn<QString>("proxy");  // a proxy name for "Benutzerdefiniert"
        QTest::addColumn<QString>("folder"); // "/..." lies inside the temporary folder
        QTest::addColumn<DownloadBatch::Outcome>("outcome");
        QTest::addColumn<int>("requests");
        QTest::addColumn<QString>("box"); // a part of the only box; none when empty
        using O = DownloadBatch::Outcome;
        const QString ok = "http://%1/f§", folder = "vollständigen Ordner";
        const auto refusedRow = [](const char *name, const QString &url, int number,
                                   const QString &proxy = {}) {
            QTest::newRow(name) << url << proxy << "/" << O::RequestRefused << 0
                                << QString("Error %1\r\n").arg(number);
        };
        refusedRow("no scheme", "%1/f§", 35772);
        refusedRow("unsupported scheme", "ftp://%1/f§", 35772);
        refusedRow("empty URL", "", 35771);
        refusedRow("proxy not host:port", ok, 35799, "proxy:port");
        refusedRow("NUL inside", "http://%1/a" + QString(QChar(0)) + "§", 35771);
        refusedRow("tab inside", "http://%1/a\t§", 35771);
        refusedRow("line break inside", "http://%1/a\n§", 35771);
        for (const char *name : {"", "Downloads", "./x"})
            QTest::newRow(qPrintable("folder '" + QString::fromUtf8(name) + "'"))
                << ok << QString() << QString::fromUtf8(name) << O::FolderRefused << 0 << folder;
        QTest::newRow("missing default folder is made")
            << ok << QString() << "/Downloads" << O::Completed << 20 << QString();
        QTest::newRow("missing typed folder is not made")
            << ok << QString() << "/typed" << O::WriteFailed << 1
            << "/typed/f0\" konnte nicht gespeichert";
    }
    void twentyUrls()
    {
        QFETCH(QString, url);
        QFETCH(QString, proxy);
        QFETCH(QString, folder);
        QFETCH(DownloadBatch::Outcome, outcome);
        QFETCH(int, requests);
        QFETCH(QString, box);
        QStringList urls;
        for (int i = 0; i < 20; ++i)
            urls << QString(url).replace("%1", server->hostPort()).replace("§", QString::number(i));
        view.folder = folder.startsWith('/') ? dir->path() + folder : folder;
        const bool existed = QFileInfo::exists(view.folder);
        inet->InetAccessType = AccessType(proxy.isEmpty() ? 0 : 2);
        inet->InetProxy = proxy;
        QCOMPARE(DownloadBatch::run(*inet, urls, view).outcome, outcome);
        QCOMPARE(server->requests().size(), requests);
        QCOMPARE(view.messages.size(), box.isEmpty() ? 0 : 1);
        QVERIFY2(view.messages.value(0).text.contains(box),
                 qPrintable(view.messages.value(0).text));
        QCOMPARE(files().size(), outcome == DownloadBatch::Outcome::Completed ? 20 : 0);
        if (QDir::isAbsolutePath(view.folder)) // only the offered default is ever made
            QCOMPARE(QFileInfo::exists(view.folder), existed || view.folder == view.defaultFolder);
    }

    void cancel_data()
    {
        QTest::addColumn<bool>("whileCollecting");
        QTest::newRow("while the second transfer runs") << false;
        // The poll sees the first transfer finished before it sees the cancel.
        QTest::newRow("while the first body is collected") << true;
    }
    void cancel()
    {
        QFETCH(bool, whileCollecting);
        const QByteArray body = HttpFixtureServer::patternBody(30000); // three chunks
        server->serve("/f1", body);
        server->serveSilent("/f2");
        view.cancelWhenBusy = whileCollecting;
        if (!whileCollecting)
            connect(server.get(), &HttpFixtureServer::requestReceived, this,
                    [this] { view.cancel = server->requests().last().path() == "/f2"; });
        QCOMPARE(run({"/f1", "/f2", "/f3", "/f4", "/f5"}), DownloadBatch::Outcome::Cancelled);
        QCOMPARE(files(), QStringList{"f1"});
        QCOMPARE(file("f1"), body);
        QCOMPARE(view.statusTexts.last(), "Abgebrochen - " + server->url("/f2"));
        QVERIFY(!view.cancel);
        // Acted on at the second URL's first poll, before its request reached the server.
        QCOMPARE(server->requests().size(), whileCollecting ? 1 : 2);
    }

    void spilled_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("twist"); // mid-body ones are done once the part file is there
        QTest::addColumn<DownloadBatch::Outcome>("outcome");
        QTest::addColumn<QString>("box"); // part of the only box
        using O = DownloadBatch::Outcome;
        const auto row = [](const char *name, const QString &path, const QString &twist, O outcome,
                            const QString &box = {}) {
            QTest::newRow(name) << path << twist << outcome << box;
        };
        const QString cut = "Inet Error 35796",
                      why = "fixed\" konnte nicht gespeichert werden.\r\nGrund: ";
        row("Content-Length over the limit", "/fixed", "", O::Completed);
        row("Content-Length beyond the body", "/cut", "", O::Completed, cut);
        row("cancelled", "/slow", "cancel mid-body", O::Cancelled);
        row("connection lost", "/slow", "server gone mid-body", O::Completed, cut);
        row("folder changed to another file system", "/slow", "other file system mid-body",
            O::Completed);
        row("disk full", "/fixed", "64 KiB file system", O::WriteFailed,
            why + QString::fromLocal8Bit(std::strerror(ENOSPC)));
        row("file size limit", "/fixed", "100 KiB file size limit", O::WriteFailed,
            why + QString::fromLocal8Bit(std::strerror(EFBIG)));
    }
    void spilled()
    {
        QFETCH(QString, path);
        QFETCH(QString, twist);
        QFETCH(DownloadBatch::Outcome, outcome);
        QFETCH(QString, box);
        std::optional<Tmpfs> full;
        if (twist == "64 KiB file system") {
            full.emplace("size=64k");
            if (!full->mounted)
                QSKIP(qPrintable("no tmpfs can be mounted here: " + full->error));
            view.folder = full->dir.path();
        }
        QTemporaryDir other("/dev/shm/vornix-XXXXXX");
        if (twist.startsWith("other file system") &&
            (!other.isValid() ||
             QStorageInfo(other.path()).rootPath() == QStorageInfo(view.folder).rootPath()))
            QSKIP("/dev/shm is no other file system here");
        rlimit savedLimit{};
        ::getrlimit(RLIMIT_FSIZE, &savedLimit);
        const auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
        const auto restore = qScopeGuard([&] {
            ::setrlimit(RLIMIT_FSIZE, &savedLimit);
            ::signal(SIGXFSZ, oldHandler);
        });
        const QByteArray body = HttpFixtureServer::patternBody(256 * 1024);
        server->serve("/fixed", body);
        server->serveCloseMidBody("/cut", body, 40000);
        server->serveTrickle("/slow", body, 8192, 10);
        const QString name = path.mid(1), home = view.folder;
        QFile old(QDir(home).filePath(name));
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
        old.close();
        if (twist == "100 KiB file size limit") {
            rlimit small = savedLimit;
            small.rlim_cur = 100 * 1024;
            QVERIFY(::setrlimit(RLIMIT_FSIZE, &small) == 0);
        }
        inet->MemoryLimit = 16 * 1024;
        bool partSeen = false;
        connect(inet.get(), &clsInet::Progress, this, [&](qint64 received, qint64) {
            partSeen = partSeen || files(view.folder).size() == 2;
            if (received == 0 || !twist.endsWith("mid-body"))
                return;
            if (twist.startsWith("cancel"))
                view.cancel = true;
            else if (twist.startsWith("server gone"))
                server.reset();
            else
                view.folder = other.path();
            twist.clear();
        });
        QCOMPARE(run({path}), outcome);
        inet.reset(); // as the window does after every batch
        const bool moved = view.folder != home;
        if (box.isEmpty()) // kept in the target folder while it arrived
            QVERIFY(partSeen);
        QCOMPARE(files(home), QStringList{name}); // no part file left
        const bool saved = outcome == DownloadBatch::Outcome::Completed && box.isEmpty();
        QCOMPARE(file(name, home), saved && !moved ? body : "old");
        if (moved) {
            QCOMPARE(files(other.path()), QStringList{name});
            QCOMPARE(file(name, other.path()), body);
        }
        QCOMPARE(view.messages.size(), box.isEmpty() ? 0 : 1);
        QVERIFY2(view.messages.value(0).text.contains(box),
                 qPrintable(view.messages.value(0).text));
    }
};

VORNIX_TEST_MAIN(tst_DownloadBatch)
#include "tst_DownloadBatch.moc"
