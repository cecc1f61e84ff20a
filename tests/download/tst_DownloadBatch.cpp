#include "BoxRecorder.h"
#include "HttpFixtureServer.h"
#include "TestMain.h"
#include "download/DownloadBatch.h"
#include "download/TargetFile.h"
#include "download/clsInet.h"

#include <QDir>
#include <QTemporaryDir>

namespace {
struct FakeView final : BatchView
{
    QString refererText, folder, prefix;
    QStringList statusTexts;
    bool cancel = false;
    QString referer() const override { return refererText; }
    QString targetFolder() const override { return folder; }
    QString filePrefix() const override { return prefix; }
    void setStatusText(const QString &text) override { statusTexts.append(text); }
    bool cancelRequested() const override { return cancel; }
    void cancelActedOn() override { cancel = false; }
};
} // namespace

class tst_DownloadBatch : public QObject
{
    Q_OBJECT
    std::unique_ptr<HttpFixtureServer> server;
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<clsInet> inet;
    FakeView view;
    BoxRecorder recorder;
    DownloadBatch::Outcome run(const QStringList &paths)
    {
        QStringList urls;
        for (const QString &path : paths)
            urls << server->url(path);
        return DownloadBatch::run(inet, urls, view);
    }
    QByteArray file(const QString &name) const
    {
        QFile f(dir->filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    QStringList files() const { return QDir(dir->path()).entryList(QDir::Files | QDir::Hidden); }

private slots:
    void init()
    {
        server = std::make_unique<HttpFixtureServer>();
        QVERIFY(server->listen());
        server->setDefaultReply(
            HttpFixtureServer::Reply(HttpFixtureServer::Reply::Kind::Fixed, "new"));
        dir = std::make_unique<QTemporaryDir>();
        inet = std::make_unique<clsInet>();
        view = FakeView();
        view.folder = dir->path();
        recorder.boxes.clear();
    }

    void batch_data()
    {
        QTest::addColumn<QStringList>("paths");
        QTest::addColumn<QString>("folderEnd");
        QTest::addColumn<QStringList>("before"); // name=content
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<QString>("box"); // a part of the only box shown
        QTest::addColumn<bool>("stops");
        using L = QStringList;
        const QString none, why = QStringLiteral("konnte nicht gespeichert werden");
        QTest::newRow("empty list") << L() << "" << L() << "p" << L() << none << false;
        QTest::newRow("three in order")
            << L{"/i/0.jpg", "/i/1.jpg", "/i/2.jpg"} << "" << L() << "p_"
            << L{"p_i0.jpg=new", "p_i1.jpg=new", "p_i2.jpg=new"} << none << false;
        QTest::newRow("trailing separator, empty prefix")
            << L{"/i/p.jpg"} << "/" << L() << "" << L{"ip.jpg=new"} << none << false;
        QTest::newRow("nested path, prefix x")
            << L{"/a/b/c.gif"} << "" << L() << "x" << L{"xabc.gif=new"} << none << false;
        QTest::newRow("query and colon")
            << L{"/get?id=7:a"} << "" << L() << "" << L{"get?id=7:a=new"} << none << false;
        QTest::newRow("longer file replaced whole")
            << L{"/x.bin"} << "" << L{"x.bin=old and longer"} << "" << L{"x.bin=new"} << none
            << false;
        QTest::newRow("404 keeps the old file, next fetched")
            << L{"/gone", "/next"} << "" << L{"gone=old"} << "" << L{"gone=old", "next=new"}
            << "Inet Error 404" << false;
        QTest::newRow("climbing stays inside")
            << L{"/../../etc/passwd"} << "" << L() << "" << L{"....etcpasswd=new"} << none << false;
        QTest::newRow("missing folder")
            << L{"/a", "/b"} << "/no/such" << L() << "" << L() << "/no/such/a" << true;
        QTest::newRow("empty name") << L{"/", "/b"} << "" << L() << "" << L() << why << true;
        QTest::newRow("name is dot dot") << L{"/..", "/b"} << "" << L() << "" << L() << why << true;
    }
    void batch()
    {
        QFETCH(QStringList, paths);
        QFETCH(QString, folderEnd);
        QFETCH(QStringList, before);
        QFETCH(QString, prefix);
        QFETCH(QStringList, after);
        QFETCH(QString, box);
        QFETCH(bool, stops);
        for (const QString &entry : before) {
            QFile f(dir->filePath(entry.section('=', 0, -2)));
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(entry.section('=', -1).toUtf8()) > 0);
        }
        server->serveStatus("/gone", 404, "Not Found");
        // The referer is read just before each request.
        connect(server.get(), &HttpFixtureServer::requestReceived, this,
                [this] { view.refererText = QString::number(server->requests().size()); });
        view.refererText = "0";
        view.folder += folderEnd;
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
        QCOMPARE(recorder.boxes.size(), box.isEmpty() ? 0 : 1);
        QVERIFY2(recorder.boxes.value(0).text.contains(box), qPrintable(box));
    }

    void cancelDuringSecondOfFive()
    {
        server->serveSilent("/f2");
        connect(server.get(), &HttpFixtureServer::requestReceived, this,
                [this] { view.cancel = server->requests().last().path() == "/f2"; });
        QCOMPARE(run({"/f1", "/f2", "/f3", "/f4", "/f5"}), DownloadBatch::Outcome::Cancelled);
        QCOMPARE(files(), QStringList{"f1"});
        QCOMPARE(file("f1"), QByteArray("new"));
        QCOMPARE(view.statusTexts.last(), "Abgebrochen - " + server->url("/f2"));
        QVERIFY(!view.cancel);
        QVERIFY(!inet); // the wrapper is released when the cancel is acted on
        QCOMPARE(server->requests().size(), 2);
    }
};

VORNIX_TEST_MAIN(tst_DownloadBatch)
#include "tst_DownloadBatch.moc"
