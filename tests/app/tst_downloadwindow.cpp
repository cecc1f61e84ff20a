#include "WindowFixture.h"
#include "WindowTestMain.h"

// One start of a batch: %1 in the template and the list is the fixture's host
// and port, %2 in the list its port.
struct Batch
{
    QString url, list;
    int boxes, count; // count: of URLs the name question names; 0: not asked
    QString name = {}, prefix = {};
    QStringList written = {};
    bool yes = false; // the answer to every box
    int option = 0;   // of the connection, clicked first; the proxy field keeps "proxy:port"
};

// "Download", "Abbruch" and the connection options as a user works them.
class tst_DownloadWindow final : public QObject, DownloadTest
{
    Q_OBJECT

private Q_SLOTS:
    void init() { QVERIFY(start()); }

    void downloadAndCancel_data()
    {
        QTest::addColumn<QString>("action"); // what happens while /f2 is being fetched
        QTest::addColumn<QStringList>("written");
        QTest::addColumn<QString>("status");
        QTest::addColumn<int>("requests");
        QTest::newRow("all complete")
            << "" << QStringList{"f1", "f2", "f3"} << "Download: /f3" << 3;
        QTest::newRow("Escape") << "escape" << QStringList{"f1"} << "Abgebrochen - /f2" << 2;
        QTest::newRow("window closed") << "close" << QStringList{"f1"} << "Abgebrochen - /f2" << 2;
    }
    void downloadAndCancel()
    {
        QFETCH(QString, action);
        QFETCH(QString, status);
        server->serve("/f1", "body 1");
        server->setDefaultReply({"other body"});
        if (!action.isEmpty())
            server->serveSilent("/f2");

        QList<bool> buttons;
        QVERIFY(download(server->url("/f§"), "1-3", [&](const QByteArray &path) {
            buttons = {w->cmdDownload->isEnabled(), w->cmdAbbruch->isEnabled(),
                       w->cmdVorschauAktualisieren->isEnabled()};
            if (path == "/f2" && action == "escape")
                QTest::keyClick(w, Qt::Key_Escape);
            if (path == "/f2" && action == "close")
                w->close();
        }));
        QCOMPARE(buttons, (QList<bool>{false, true, false})); // only "Abbruch" while it runs
        QTEST(files(), "written");
        QCOMPARE(readFile(dir->filePath("f1")), "body 1");
        QCOMPARE(w->statusPanelText(1), status.replace("/f", server->url("/f")));
        QTEST(int(server->requests().size()), "requests");
        QVERIFY(f->boxes.boxes.isEmpty());
        if (action == "close")
            QCOMPARE(storedSetting("SpeicherOrt"), dir->path());
    }
    void proxyOption_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("viaProxy"); // and the proxy field enabled
        QTest::addColumn<QString>("status");
        // The environment names a proxy that "Direktverbindung" must ignore, even
        // after the user clicks "Standard" while the batch runs.
        QTest::newRow("0") << 0 << false << "Standardeinstellung aus Registry verwenden";
        QTest::newRow("1") << 1 << false << "Direktverbindung (ohne Proxy)";
        QTest::newRow("2")
            << 2 << true << "Proxy in der Form 'proxy:port' eingeben, z.B. proxy.example.com:8080";
        QTest::newRow("outside the group") << 3 << true << "unchanged";
    }
    void proxyOption()
    {
        QFETCH(int, index);
        QFETCH(bool, viaProxy);
        QTest::mouseClick(w->optProxy[2], Qt::LeftButton); // the state every other click changes
        w->setStatusPanelText(1, "unchanged");
        if (index < 3)
            QTest::mouseClick(w->optProxy[index], Qt::LeftButton);
        else
            w->optProxy_Click(index);
        QCOMPARE(w->txtProxy->isEnabled(), viaProxy);
        QTEST(w->statusPanelText(1), "status");
        QCOMPARE(w->txtProxy->text(), "proxy:port");

        HttpFixtureServer proxy;
        QVERIFY(proxy.listen());
        proxy.setDefaultReply({"via proxy"});
        if (index == 1)
            qputenv("http_proxy", proxy.url(QString()).toLatin1());
        const auto restore = qScopeGuard([] { qunsetenv("http_proxy"); });
        server->setDefaultReply({"direct"});
        w->txtProxy->setText(proxy.hostPort());
        QVERIFY(download(server->url("/f§"), "1;2",
                         [&](const QByteArray &) { w->optProxy[0]->click(); }));
        QCOMPARE(proxy.requests().size(), viaProxy ? 2 : 0);
        QCOMPARE(server->requests().size(), viaProxy ? 0 : 2);
        if (viaProxy)
            QVERIFY(proxy.requests()[1].isAbsoluteForm() && proxy.requests()[1].path() == "/f2");
        QCOMPARE(readFile(dir->filePath("f2")), viaProxy ? "via proxy" : "direct");
    }
    // The name question, and requests refused before any is made.
    void batchStart_data()
    {
        QTest::addColumn<Batch>("b");
        const auto row = [](const char *tag, const Batch &b) { QTest::newRow(tag) << b; };
        const QString twenty = "01;02;03;04;05;06;07;08;09;10-20";
        row("slash moved, Nein", {"http://%1/§", "a/bc.jpg;ab/c.jpg", 1, 2, "abc.jpg"});
        row("fragment only, Ja",
            {"http://%1/a.jpg#§", twenty, 1, 20, "x_a.jpg", "x_", {"x_a.jpg"}, true});
        row("placeholder in the host, Nein", {"http://§/a.jpg", "%1;localhost:%2", 1, 2, "a.jpg"});
        row("first name in list order", {"http://%1/§", "a;b;/a;b;b", 1, 2, "a"});
        row("names differ", {"http://%1/§", "a/c;a?b;b", 0, 0, "", "", {"a?b", "ac", "b"}});
        // Each would be refused twenty times, one box each, if the batch went on.
        row("no scheme", {"%1/§.jpg", twenty, 1, 0});
        row("unsupported scheme", {"ftp://%1/§", twenty, 1, 0});
        row("empty template", {"", twenty, 1, 0});
        row("proxy:port", {"http://%1/f§", twenty, 1, 0, "", "", {}, false, 2});
    }
    void batchStart()
    {
        QFETCH(Batch, b);
        const QString question = "Achtung: %1 URLs ergeben denselben Dateinamen \"%2\". Spätere "
                                 "Downloads überschreiben frühere. Trotzdem fortsetzen?";
        server->setDefaultReply({"x"});
        QList<MsgBoxRequest> &asked = f->boxes.boxes; // f->boxes puts back the old handler
        setMsgBoxHandler([&](const MsgBoxRequest &r) {
            asked << r;
            return b.yes ? Answer::Yes : Answer::No;
        });
        QTest::mouseClick(w->optProxy[b.option], Qt::LeftButton);
        QTest::keyClicks(w->txtDateiprefix, b.prefix);

        const QString host = server->hostPort();
        QVERIFY(download(b.url.replace("%1", host),
                         b.list.replace("%1", host).replace("%2", host.section(':', 1))));
        QCOMPARE(asked.size(), b.boxes);
        if (b.count) {
            QCOMPARE(asked[0].text, question.arg(b.count).arg(b.name));
            QCOMPARE(asked[0].buttons, Message::Buttons::YesNo);
        }
        QCOMPARE(files(), b.written);
        if (b.written.isEmpty())
            QCOMPARE(server->connectionCount(), 0);
    }
};

VORNIX_WINDOW_TEST_MAIN(tst_DownloadWindow)
#include "tst_downloadwindow.moc"
