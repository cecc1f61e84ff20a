#include "WindowFixture.h"

// One start of a batch: %1 in the template and the list is the fixture's host
// and port, %2 in the list its port. Every file holds "x", f1 "body 1". What happens as /f2 is
// requested is `action`, and then /f2 never answers; `status` is the status panel's text in the
// end (none: not looked at).
struct Batch
{
    QString url, list;
    int boxes;
    QString question = {}; // the first box's Ja/Nein question; none: not asked
    QString prefix = {};
    QStringList written = {};
    bool yes = false; // the answer to every box
    int option = 0;   // of the connection, clicked first; the proxy field keeps "proxy:port"
    QString action = {}, status = {};
};

// "Download", "Abbruch" and the connection options as a user works them.
class tst_DownloadWindow final : public QObject, DownloadTest
{
    Q_OBJECT

private Q_SLOTS:
    void init() { QVERIFY(start()); }

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
            QCOMPARE(proxy.requests()[1].target, server->url("/f2").toLatin1());
        QCOMPARE(readFile(dir->filePath("f2")), viaProxy ? "via proxy" : "direct");
    }
    // The buttons while it runs, Escape or closing the window to stop it, the name question,
    // and requests refused before any is made.
    void batch_data()
    {
        QTest::addColumn<Batch>("b");
        const auto row = [](const char *tag, const Batch &b) { QTest::newRow(tag) << b; };
        const QString twenty = "01;02;03;04;05;06;07;08;09;10-20", f = "http://%1/f§";
        const QString stopped = "Abgebrochen - /f2";
        const auto named = [](int count, const char *name) {
            return QString("Achtung: %1 URLs ergeben denselben Dateinamen \"%2\". Spätere "
                           "Downloads überschreiben frühere. Trotzdem fortsetzen?")
                .arg(count)
                .arg(QLatin1String(name));
        };
        row("complete", {f, "1-3", 0, "", "", {"f1", "f2", "f3"}, false, 0, "", "Download: /f3"});
        row("Escape", {f, "1-3", 0, "", "", {"f1"}, false, 0, "escape", stopped});
        row("window closed", {f, "1-3", 0, "", "", {"f1"}, false, 0, "close", stopped});
        row("slash moved, Nein", {"http://%1/§", "a/bc.jpg;ab/c.jpg", 1, named(2, "abc.jpg")});
        row("fragment, Ja",
            {"http://%1/a.jpg#§", twenty, 1, named(20, "xa.jpg"), "x", {"xa.jpg"}, true});
        row("placeholder in the host, Nein",
            {"http://§/a.jpg", "%1;localhost:%2", 1, named(2, "a.jpg")});
        row("first name in list order", {"http://%1/§", "a;b;/a;b;b", 1, named(2, "a")});
        row("names differ", {"http://%1/§", "a/c;a?b;b", 0, "", "", {"a?b", "ac", "b"}});
        // The one question names the missing placeholder rather than the clashing names.
        row("no placeholder, two URLs, Nein",
            {"http://%1/a.jpg", "1;2", 1,
             "Die URL enthält den Platzhalter \"§\" nicht, daher sind alle 2 URLs gleich. "
             "Trotzdem fortsetzen?"});
        row("no placeholder, one URL", {"http://%1/a.jpg", "1", 0, "", "", {"a.jpg"}});
        // Each would be refused twenty times, one box each, if the batch went on.
        row("no scheme", {"%1/§.jpg", twenty, 1});
        row("unsupported scheme", {"ftp://%1/§", twenty, 1});
        row("empty template", {"", twenty, 1});
        row("proxy:port", {"http://%1/f§", twenty, 1, "", "", {}, false, 2});
    }
    void batch()
    {
        QFETCH(Batch, b);
        server->setDefaultReply({"x"});
        server->serve("/f1", "body 1");
        if (!b.action.isEmpty())
            server->serveSilent("/f2");
        const QList<MsgBoxRequest> &asked = f->boxes.boxes;
        f->boxes.answer = b.yes ? Answer::Yes : Answer::No;
        QTest::mouseClick(w->optProxy[b.option], Qt::LeftButton);
        QTest::keyClicks(w->txtDateiprefix, b.prefix);

        const QString host = server->hostPort();
        QList<bool> buttons;
        QWidget *focused = nullptr; // the focus moves between the two buttons, nowhere else
        QVERIFY(download(b.url.replace("%1", host),
                         b.list.replace("%1", host).replace("%2", host.section(':', 1)),
                         [&](const QByteArray &path) {
                             buttons = {w->cmdDownload->isEnabled(), w->cmdAbbruch->isEnabled(),
                                        w->cmdVorschauAktualisieren->isEnabled()};
                             focused = QApplication::focusWidget();
                             if (path == "/f2" && b.action == "escape")
                                 QTest::keyClick(w, Qt::Key_Escape);
                             if (path == "/f2" && b.action == "close")
                                 w->close();
                         }));
        const QList<bool> running{false, true, false}; // only "Abbruch" while it runs
        QCOMPARE(buttons, server->requests().isEmpty() ? QList<bool>() : running);
        QCOMPARE(focused, server->requests().isEmpty() ? nullptr : w->cmdAbbruch);
        QVERIFY(b.action == "close" || QApplication::focusWidget() == w->cmdDownload);
        QCOMPARE(asked.size(), b.boxes);
        if (!b.question.isEmpty()) {
            QCOMPARE(asked[0].text, b.question);
            QCOMPARE(asked[0].buttons, Message::Buttons::YesNo);
        }
        QCOMPARE(files(), b.written);
        for (const QString &name : b.written)
            QCOMPARE(readFile(dir->filePath(name)), name == "f1" ? "body 1" : "x");
        if (b.written.isEmpty())
            QCOMPARE(server->connectionCount, 0);
        if (!b.action.isEmpty()) // nothing after /f2
            QCOMPARE(server->requests().size(), b.written.size() + 1);
        if (!b.status.isEmpty())
            QCOMPARE(w->statusPanelText(1), b.status.replace("/f", server->url("/f")));
        if (b.action == "close")
            QCOMPARE(storedSetting("SpeicherOrt"), dir->path());
    }
    // A typed folder that is not there is asked about once, before any request, and made
    // only after "Ja". `folder`: below the test folder, or "default" or a relative one.
    void missingFolder_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QStringList>("boxes"); // %1: the folder
        QTest::addColumn<bool>("saved");
        const QString asked = "Der Ordner \"%1\" existiert nicht. Soll er angelegt werden?";
        QTest::newRow("Nein") << "new/sub" << false << QStringList{asked} << false;
        QTest::newRow("Ja") << "new/sub" << true << QStringList{asked} << true;
        QTest::newRow("Ja, but a file is in the way")
            << "file/sub" << true
            << QStringList{asked, "Der Ordner \"%1\" konnte nicht angelegt werden."} << false;
        QTest::newRow("the offered default folder") << "default" << false << QStringList{} << true;
        QTest::newRow("relative, refused as before")
            << "rel/sub" << true
            << QStringList{"Bitte geben Sie als Speicherort einen vollständigen Ordner an "
                           "(zum Beispiel /home/name/Downloads)."}
            << false;
    }
    void missingFolder()
    {
        QFETCH(QString, folder);
        QFETCH(bool, yes);
        QFETCH(QStringList, boxes);
        QFETCH(bool, saved);
        QString target = folder.startsWith("rel") ? folder : dir->filePath(folder);
        if (folder == "default")
            QVERIFY(QDir(target = frmMain::defaultTargetFolder()).removeRecursively());
        QVERIFY(writeFile(dir->filePath("file"), "x"));
        f->boxes.answer = yes ? Answer::Yes : Answer::No;
        server->setDefaultReply({"x"});
        typeInto(w->txtSpeicherOrt, target);
        QVERIFY(download(server->url("/f§"), "1;2"));
        QStringList shown;
        for (const MsgBoxRequest &box : std::as_const(f->boxes.boxes))
            shown << box.text;
        QCOMPARE(shown, boxes.replaceInStrings("%1", target));
        QCOMPARE(server->requests().size(), saved ? 2 : 0);
        QCOMPARE(readFile(target + "/f2"), saved ? "x" : "<missing>");
        QCOMPARE(QFileInfo::exists(target), saved);
    }
};

VORNIX_WINDOW_TEST_MAIN(tst_DownloadWindow)
#include "tst_downloadwindow.moc"
