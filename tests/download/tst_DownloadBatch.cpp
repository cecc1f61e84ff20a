#include "BoxRecorder.h"
#include "HttpFixtureServer.h"
#include "TestMain.h"
#include "app/MsgBox.h"
#include "download/DownloadBatch.h"
#include "download/TargetFile.h"
#include "download/clsInet.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {
// The window's fields as plain values; a hook runs whenever the server sees a request.
struct FakeView final : BatchView
{
    QString refererText;
    QString folder;
    QString prefix;
    QStringList statusTexts;
    bool cancel = false;
    int cancelsActedOn = 0;

    QString referer() const override { return refererText; }
    QString targetFolder() const override { return folder; }
    QString filePrefix() const override { return prefix; }
    void setStatusText(const QString &text) override { statusTexts.append(text); }
    bool cancelRequested() const override { return cancel; }
    void cancelActedOn() override
    {
        cancel = false;
        ++cancelsActedOn;
    }
};

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}
} // namespace

class tst_DownloadBatch : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void allTransfersComplete();
    void cancelDuringSecondOfFive();
    void failedTransferWritesNoFileAndGoesOn();
    void targetPath_data();
    void targetPath();
    void queryAndColonStayInName();
    void longerExistingFileIsReplacedWhole();
    void writeFailureStopsTheBatch_data();
    void writeFailureStopsTheBatch();
    void refererReadBeforeEachRequest();
    void emptyListRequestsNothing();

private:
    HttpFixtureServer *server = nullptr;
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<clsInet> inet;
    FakeView view;
};

void tst_DownloadBatch::init()
{
    delete server;
    server = new HttpFixtureServer(this);
    QVERIFY(server->listen());
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
    inet = std::make_unique<clsInet>();
    view = FakeView();
    view.folder = dir->path();
}

void tst_DownloadBatch::allTransfersComplete()
{
    BoxRecorder boxes;
    const QByteArray bodies[] = {HttpFixtureServer::patternBody(10),
                                 HttpFixtureServer::patternBody(0),
                                 HttpFixtureServer::patternBody(70000)};
    QStringList urls;
    for (int i = 0; i < 3; ++i) {
        const QByteArray path = "/img/" + QByteArray::number(i) + ".jpg";
        server->serve(path, bodies[i]);
        urls << server->url(QString::fromLatin1(path));
    }
    view.prefix = QStringLiteral("p_");
    QCOMPARE(DownloadBatch::run(inet, urls, view), DownloadBatch::Outcome::Completed);

    for (int i = 0; i < 3; ++i)
        QCOMPARE(readFile(dir->filePath(QStringLiteral("p_img%1.jpg").arg(i))), bodies[i]);
    QCOMPARE(server->requests().size(), 3);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(server->requests()[i].path(), "/img/" + QByteArray::number(i) + ".jpg");
    QCOMPARE(view.statusTexts,
             (QStringList{"Download: " + urls[0], "Download: " + urls[1], "Download: " + urls[2]}));
    QVERIFY(boxes.boxes.isEmpty());
    // No temporary file is left beside the downloads.
    QCOMPARE(QDir(dir->path()).entryList(QDir::Files | QDir::Hidden).size(), 3);
}

void tst_DownloadBatch::cancelDuringSecondOfFive()
{
    BoxRecorder boxes;
    QStringList urls;
    for (int i = 1; i <= 5; ++i) {
        const QByteArray path = "/f" + QByteArray::number(i);
        if (i == 2)
            server->serveSilent(path);
        else
            server->serve(path, "body" + QByteArray::number(i));
        urls << server->url(QString::fromLatin1(path));
    }
    connect(server, &HttpFixtureServer::requestReceived, this, [this] {
        if (server->requests().last().path() == "/f2")
            view.cancel = true;
    });
    QCOMPARE(DownloadBatch::run(inet, urls, view), DownloadBatch::Outcome::Cancelled);

    QCOMPARE(readFile(dir->filePath("f1")), QByteArray("body1"));
    QCOMPARE(QDir(dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{"f1"});
    QCOMPARE(view.statusTexts.last(), "Abgebrochen - " + urls[1]);
    QCOMPARE(view.cancelsActedOn, 1);
    QVERIFY(!view.cancel);
    QVERIFY(!inet); // the wrapper is released when the cancel is acted on
    QCOMPARE(server->requests().size(), 2);
}

void tst_DownloadBatch::failedTransferWritesNoFileAndGoesOn()
{
    BoxRecorder boxes;
    QFile old(dir->filePath("missing"));
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("previous content");
    old.close();
    server->serveStatus("/missing", 404, "Not Found", "<html>error page</html>");
    server->serve("/next", "next body");
    const QStringList urls{server->url("/missing"), server->url("/next")};
    QCOMPARE(DownloadBatch::run(inet, urls, view), DownloadBatch::Outcome::Completed);

    QCOMPARE(readFile(dir->filePath("missing")), QByteArray("previous content"));
    QCOMPARE(readFile(dir->filePath("next")), QByteArray("next body"));
    QVERIFY(!boxes.boxes.isEmpty()); // the failure was reported by the wrapper
}

void tst_DownloadBatch::targetPath_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<QString>("document");
    QTest::addColumn<QString>("path");

    QTest::newRow("no trailing separator") << "/data/Bilder"
                                           << "a_"
                                           << "/images/image01.jpg"
                                           << "/data/Bilder/a_imagesimage01.jpg";
    QTest::newRow("trailing separator") << "/data/Bilder/"
                                        << "a_"
                                        << "/images/image01.jpg"
                                        << "/data/Bilder/a_imagesimage01.jpg";
    QTest::newRow("empty prefix") << "/data/Bilder"
                                  << ""
                                  << "/images/image01.jpg"
                                  << "/data/Bilder/imagesimage01.jpg";
    QTest::newRow("empty folder is the root") << ""
                                              << "x"
                                              << "/y.gif"
                                              << "/xy.gif";
    QTest::newRow("nested path") << "/d"
                                 << "x"
                                 << "/a/b/c.gif"
                                 << "/d/xabc.gif";
    QTest::newRow("query and colon kept") << "/d"
                                          << ""
                                          << "/p?x=1:2"
                                          << "/d/p?x=1:2";
    QTest::newRow("climbing stays inside") << "/d"
                                           << ""
                                           << "/../../etc/passwd"
                                           << "/d/....etcpasswd";
    QTest::newRow("no slash at all") << "/d"
                                     << ""
                                     << "plain"
                                     << "/d/plain";
}

void tst_DownloadBatch::targetPath()
{
    QFETCH(QString, folder);
    QFETCH(QString, prefix);
    QFETCH(QString, document);
    QFETCH(QString, path);
    QCOMPARE(TargetFolderPart(folder) + TargetFileName(prefix, document), path);
}

void tst_DownloadBatch::queryAndColonStayInName()
{
    BoxRecorder boxes;
    server->serve("/get?id=7:a", "q");
    QCOMPARE(DownloadBatch::run(inet, {server->url("/get?id=7:a")}, view),
             DownloadBatch::Outcome::Completed);
    QCOMPARE(readFile(dir->filePath("get?id=7:a")), QByteArray("q"));
}

void tst_DownloadBatch::longerExistingFileIsReplacedWhole()
{
    BoxRecorder boxes;
    QFile old(dir->filePath("x.bin"));
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(5000, 'o'));
    old.close();
    server->serve("/x.bin", "short");
    QCOMPARE(DownloadBatch::run(inet, {server->url("/x.bin")}, view),
             DownloadBatch::Outcome::Completed);
    QCOMPARE(readFile(dir->filePath("x.bin")), QByteArray("short"));
}

void tst_DownloadBatch::writeFailureStopsTheBatch_data()
{
    QTest::addColumn<QString>("folderSuffix");
    QTest::addColumn<QString>("firstPath");
    QTest::addColumn<QString>("expectedInBox");

    QTest::newRow("missing folder") << "/does/not/exist"
                                    << "/a"
                                    << "/does/not/exist/a";
    QTest::newRow("name is empty") << ""
                                   << "/"
                                   << "konnte nicht gespeichert werden";
    QTest::newRow("name is dot dot") << ""
                                     << "/.."
                                     << "konnte nicht gespeichert werden";
}

void tst_DownloadBatch::writeFailureStopsTheBatch()
{
    QFETCH(QString, folderSuffix);
    QFETCH(QString, firstPath);
    QFETCH(QString, expectedInBox);

    BoxRecorder boxes;
    HttpFixtureServer::Reply ok;
    ok.body = "content";
    server->setDefaultReply(ok);
    view.folder = dir->path() + folderSuffix;
    const QStringList urls{server->url(firstPath), server->url("/second")};
    QCOMPARE(DownloadBatch::run(inet, urls, view), DownloadBatch::Outcome::WriteFailed);

    QCOMPARE(boxes.boxes.size(), 1);
    QVERIFY2(boxes.boxes[0].text.contains(expectedInBox), qPrintable(boxes.boxes[0].text));
    QCOMPARE(server->requests().size(), 1); // the rest of the list is not fetched
    QCOMPARE(QDir(dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList());
}

void tst_DownloadBatch::refererReadBeforeEachRequest()
{
    BoxRecorder boxes;
    server->serve("/1", "a");
    server->serve("/2", "b");
    view.refererText = QStringLiteral("http://first.example/");
    connect(server, &HttpFixtureServer::requestReceived, this,
            [this] { view.refererText = QStringLiteral("http://second.example/"); });
    QCOMPARE(DownloadBatch::run(inet, {server->url("/1"), server->url("/2")}, view),
             DownloadBatch::Outcome::Completed);
    QCOMPARE(server->requests()[0].headerValues("Referer"),
             QList<QByteArray>{"http://first.example/"});
    QCOMPARE(server->requests()[1].headerValues("Referer"),
             QList<QByteArray>{"http://second.example/"});
}

void tst_DownloadBatch::emptyListRequestsNothing()
{
    BoxRecorder boxes;
    QCOMPARE(DownloadBatch::run(inet, {}, view), DownloadBatch::Outcome::Completed);
    QVERIFY(server->requests().isEmpty());
    QVERIFY(view.statusTexts.isEmpty());
}

VORNIX_TEST_MAIN(tst_DownloadBatch)
#include "tst_DownloadBatch.moc"
