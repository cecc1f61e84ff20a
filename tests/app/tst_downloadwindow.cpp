#include "HttpFixtureServer.h"
#include "WindowFixture.h"
#include "WindowTestMain.h"
#include "download/clsInet.h"

#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

// "Download", "Abbruch" and the connection options as a user works them.
class tst_DownloadWindow final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        server = std::make_unique<HttpFixtureServer>();
        QVERIFY(server->listen());
        dir = std::make_unique<QTemporaryDir>();
        f = std::make_unique<WindowFixture>(QMap<QString, QString>{{"SpeicherOrt", dir->path()}});
        w = &f->w;
        QVERIFY(f->show());
    }
    void cleanup() { f.reset(), server.reset(), dir.reset(); }
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
        QFETCH(QStringList, written);
        QFETCH(QString, status);
        QFETCH(int, requests);
        server->serve("/f1", "body 1");
        server->serve("/f3", "body 3");
        if (action.isEmpty())
            server->serve("/f2", "body 2");
        else
            server->serveSilent("/f2");

        QList<bool> buttons;
        download(server->url("/f§"), "1-3", [&](const QByteArray &path) {
            buttons = {w->cmdDownload->isEnabled(), w->cmdAbbruch->isEnabled(),
                       w->cmdVorschauAktualisieren->isEnabled()};
            if (path == "/f2" && action == "escape")
                QTest::keyClick(w, Qt::Key_Escape);
            if (path == "/f2" && action == "close")
                w->close();
        });
        QCOMPARE(buttons, (QList<bool>{false, true, false})); // only "Abbruch" while it runs
        QCOMPARE(files(), written);
        QCOMPARE(file("f1"), "body 1");
        QCOMPARE(w->statusPanelText(1), status.replace("/f", server->url("/f")));
        QCOMPARE(server->requests().size(), requests);
        QVERIFY(idle());
        QVERIFY(!w->blnAbbruch);
        QVERIFY(f->boxes.boxes.isEmpty());
        if (action == "close")
            QCOMPARE(storedSetting("SpeicherOrt"), dir->path());
    }
    void connection_data()
    {
        QTest::addColumn<int>("option");
        QTest::addColumn<bool>("viaProxy");
        // The environment names a proxy that "Direktverbindung" must ignore, even
        // after the user clicks "Standard" while the batch runs.
        QTest::newRow("Direktverbindung") << 1 << false;
        QTest::newRow("Benutzerdefiniert") << 2 << true;
    }
    void connection()
    {
        QFETCH(int, option);
        QFETCH(bool, viaProxy);
        HttpFixtureServer proxy;
        QVERIFY(proxy.listen());
        proxy.setDefaultReply({HttpFixtureServer::Reply::Kind::Fixed, "via proxy"});
        if (option == 1)
            qputenv("http_proxy", proxy.url(QString()).toLatin1());
        const auto restore = qScopeGuard([] { qunsetenv("http_proxy"); });
        server->serve("/f1", "direct");
        server->serve("/f2", "direct");

        w->optProxy[option]->click();
        w->txtProxy->setText(proxy.hostPort());
        download(server->url("/f§"), "1;2", [&](const QByteArray &) { w->optProxy[0]->click(); });

        QCOMPARE(proxy.requests().size(), viaProxy ? 2 : 0);
        QCOMPARE(server->requests().size(), viaProxy ? 0 : 2);
        if (viaProxy)
            QVERIFY(proxy.requests()[1].isAbsoluteForm() && proxy.requests()[1].path() == "/f2");
        QCOMPARE(file("f2"), viaProxy ? "via proxy" : "direct");
    }
    void optionClick_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("proxyEnabled");
        QTest::addColumn<QString>("status");
        QTest::newRow("0") << 0 << false << "Standardeinstellung aus Registry verwenden";
        QTest::newRow("1") << 1 << false << "Direktverbindung (ohne Proxy)";
        QTest::newRow("2")
            << 2 << true << "Proxy in der Form 'proxy:port' eingeben, z.B. proxy.example.com:8080";
        QTest::newRow("outside the group") << 3 << true << "unchanged";
    }
    void optionClick()
    {
        QFETCH(int, index);
        QFETCH(bool, proxyEnabled);
        QFETCH(QString, status);
        QTest::mouseClick(w->optProxy[2], Qt::LeftButton); // the state every other click changes
        w->setStatusPanelText(1, "unchanged");
        if (index < 3)
            QTest::mouseClick(w->optProxy[index], Qt::LeftButton);
        else
            w->optProxy_Click(index);
        QCOMPARE(w->txtProxy->isEnabled(), proxyEnabled);
        QCOMPARE(w->statusPanelText(1), status);
        QCOMPARE(w->txtProxy->text(), "proxy:port");
    }
    void sameFileName_data()
    {
        QTest::addColumn<QString>("urlTemplate"); // %1: the fixture's host and port
        QTest::addColumn<QString>("list");        // %2: the fixture's port
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<int>("count"); // of URLs the question names; 0: not asked
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("written");
        const auto row = [](const char *tag, const char *url, const char *list, const char *prefix,
                            bool yes, int count, const char *name, const QStringList &written) {
            QTest::newRow(tag) << url << list << prefix << yes << count << name << written;
        };
        row("slash moved, Nein", "http://%1/§", "a/bc.jpg;ab/c.jpg", "", false, 2, "abc.jpg", {});
        row("fragment only, Ja", "http://%1/a.jpg#§", "01;02;03;04;05;06;07;08;09;10-20", "x_",
            true, 20, "x_a.jpg", {"x_a.jpg"});
        row("placeholder in the host, Nein", "http://§/a.jpg", "%1;localhost:%2", "", false, 2,
            "a.jpg", {});
        row("first name in list order", "http://%1/§", "a;b;/a;b;b", "", false, 2, "a", {});
        row("names differ", "http://%1/§", "a/c;a?b;b", "", false, 0, "", {"a?b", "ac", "b"});
    }
    void sameFileName()
    {
        QFETCH(QString, urlTemplate);
        QFETCH(QString, list);
        QFETCH(QString, prefix);
        QFETCH(bool, yes);
        QFETCH(int, count);
        QFETCH(QString, name);
        QFETCH(QStringList, written);
        server->setDefaultReply({HttpFixtureServer::Reply::Kind::Fixed, "x"});
        QList<MsgBoxRequest> &asked = f->boxes.boxes; // f->boxes puts back the old handler
        setMsgBoxHandler([&](const MsgBoxRequest &r) {
            asked << r;
            return yes ? Answer::Yes : Answer::No;
        });
        QTest::keyClicks(w->txtDateiprefix, prefix);

        const QString port = server->hostPort().section(':', 1);
        download(urlTemplate.replace("%1", server->hostPort()),
                 list.replace("%1", server->hostPort()).replace("%2", port));
        QCOMPARE(asked.size(), count ? 1 : 0);
        if (count) {
            QCOMPARE(asked[0].text, QString("Achtung: %1 URLs ergeben denselben Dateinamen \"%2\". "
                                            "Spätere Downloads überschreiben frühere. Trotzdem "
                                            "fortsetzen?")
                                        .arg(count)
                                        .arg(name));
            QCOMPARE(asked[0].buttons, Message::Buttons::YesNo);
        }
        QCOMPARE(files(), written);
        if (!yes && count)
            QCOMPARE(server->connectionCount(), 0);
        QVERIFY(idle());
    }
    void refusedRequest_data()
    {
        QTest::addColumn<QString>("urlTemplate"); // %1: the fixture's host and port
        QTest::addColumn<int>("option");
        // Each would be refused twenty times, one box each, if the batch went on.
        QTest::newRow("no scheme") << "%1/§.jpg" << 0;
        QTest::newRow("unsupported scheme") << "ftp://%1/§" << 0;
        QTest::newRow("empty template") << "" << 0;
        QTest::newRow("proxy:port") << "http://%1/f§" << 2;
    }
    void refusedRequest()
    {
        QFETCH(QString, urlTemplate);
        QFETCH(int, option);
        QTest::mouseClick(w->optProxy[option], Qt::LeftButton); // txtProxy keeps "proxy:port"
        download(urlTemplate.replace("%1", server->hostPort()), "01;02;03;04;05;06;07;08;09;10-20");
        QCOMPARE(f->boxes.boxes.size(), 1);
        QVERIFY(idle());
        QCOMPARE(server->connectionCount(), 0);
        QCOMPARE(files(), QStringList());
    }

private:
    // Types the template and the list and clicks "Download"; `during` runs at each request.
    void download(const QString &urlTemplate, const QString &list,
                  std::function<void(const QByteArray &path)> during = {})
    {
        typeInto(w->txtURL, urlTemplate);
        typeInto(w->cboErsatzText, list);
        QObject context;
        if (during)
            connect(server.get(), &HttpFixtureServer::requestReceived, &context,
                    [&] { during(server->requests().last().path()); });
        QTest::mouseClick(w->cmdDownload, Qt::LeftButton);
    }
    bool idle() const
    {
        return !w->objInet && w->cmdDownload->isEnabled() && !w->cmdAbbruch->isEnabled() &&
               w->cmdVorschauAktualisieren->isEnabled();
    }
    QByteArray file(const QString &name) const
    {
        QFile file(dir->filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
    }
    QStringList files() const { return QDir(dir->path()).entryList(QDir::Files | QDir::Hidden); }

    std::unique_ptr<HttpFixtureServer> server;
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<WindowFixture> f;
    frmMain *w = nullptr;
};

VORNIX_WINDOW_TEST_MAIN(tst_DownloadWindow)
#include "tst_downloadwindow.moc"
