#include "HttpFixtureServer.h"
#include "TestMain.h"
#include "WindowFixture.h"
#include "app/frmMain.h"
#include "download/clsInet.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

// "Download", "Abbruch" and the connection options as a user works them.
class TestDownloadWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void downloadAndCancel_data();
    void downloadAndCancel();
    void connection_data();
    void connection();
    void optionClick_data();
    void optionClick();

private:
    // Runs "Download" on /f1../fN with the template /f§; `during` runs at each request.
    void download(const QString &list, std::function<void(const QByteArray &path)> during = {});
    QByteArray file(const QString &name) const
    {
        QFile f(dir->filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
    }
    QStringList files() const { return QDir(dir->path()).entryList(QDir::Files | QDir::Hidden); }

    std::unique_ptr<BoxRecorder> boxes;
    std::unique_ptr<HttpFixtureServer> server;
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<frmMain> w;
};

void TestDownloadWindow::init()
{
    clearSettings();
    storeSetting("BETA-0.2-BETA1", "OK");
    boxes = std::make_unique<BoxRecorder>();
    server = std::make_unique<HttpFixtureServer>();
    QVERIFY(server->listen());
    dir = std::make_unique<QTemporaryDir>();
    w = std::make_unique<frmMain>();
    w->show();
    w->txtSpeicherOrt->setText(dir->path());
}

void TestDownloadWindow::cleanup()
{
    w.reset();
    server.reset();
    boxes.reset();
}

void TestDownloadWindow::download(const QString &list,
                                  std::function<void(const QByteArray &path)> during)
{
    w->txtURL->setText(server->url("/f§"));
    w->cboErsatzText->setEditText(list);
    QObject context;
    if (during)
        connect(server.get(), &HttpFixtureServer::requestReceived, &context,
                [&] { during(server->requests().last().path()); });
    w->cmdDownload->click();
}

void TestDownloadWindow::downloadAndCancel_data()
{
    QTest::addColumn<QString>("action"); // what happens while /f2 is being fetched
    QTest::addColumn<QStringList>("written");
    QTest::addColumn<QString>("status");
    QTest::addColumn<int>("requests");
    QTest::newRow("all complete") << "" << QStringList{"f1", "f2", "f3"} << "Download: /f3" << 3;
    QTest::newRow("Escape") << "escape" << QStringList{"f1"} << "Abgebrochen - /f2" << 2;
    QTest::newRow("window closed") << "close" << QStringList{"f1"} << "Abgebrochen - /f2" << 2;
}

void TestDownloadWindow::downloadAndCancel()
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
    download("1-3", [&](const QByteArray &path) {
        buttons = {w->cmdDownload->isEnabled(), w->cmdAbbruch->isEnabled(),
                   w->cmdVorschauAktualisieren->isEnabled()};
        if (path == "/f2" && action == "escape")
            QTest::keyClick(w.get(), Qt::Key_Escape);
        if (path == "/f2" && action == "close")
            w->close();
    });
    QCOMPARE(buttons, (QList<bool>{false, true, false})); // only "Abbruch" while it runs
    QCOMPARE(files(), written);
    QCOMPARE(file("f1"), "body 1");
    QCOMPARE(w->statusPanelText(1), status.replace("/f", server->url("/f")));
    QCOMPARE(server->requests().size(), requests);
    QVERIFY(!w->objInet);
    QVERIFY(!w->blnAbbruch);
    QVERIFY(w->cmdDownload->isEnabled() && !w->cmdAbbruch->isEnabled());
    QVERIFY(boxes->boxes.isEmpty());
    if (action == "close")
        QCOMPARE(storedSetting("SpeicherOrt"), dir->path());
}

void TestDownloadWindow::connection_data()
{
    QTest::addColumn<int>("option");
    QTest::addColumn<bool>("viaProxy");
    // The environment names a proxy that "Direktverbindung" must ignore, even
    // after the user clicks "Standard" while the batch runs.
    QTest::newRow("Direktverbindung") << 1 << false;
    QTest::newRow("Benutzerdefiniert") << 2 << true;
}

void TestDownloadWindow::connection()
{
    QFETCH(int, option);
    QFETCH(bool, viaProxy);
    HttpFixtureServer proxy;
    QVERIFY(proxy.listen());
    HttpFixtureServer::Reply fromProxy;
    fromProxy.body = "via proxy";
    proxy.setDefaultReply(fromProxy);
    if (option == 1)
        qputenv("http_proxy", proxy.url(QString()).toLatin1());
    const auto restore = qScopeGuard([] { qunsetenv("http_proxy"); });
    server->serve("/f1", "direct");
    server->serve("/f2", "direct");

    w->optProxy[option]->click();
    w->txtProxy->setText(proxy.hostPort());
    download("1;2", [&](const QByteArray &) { w->optProxy[0]->click(); });

    QCOMPARE(proxy.requests().size(), viaProxy ? 2 : 0);
    QCOMPARE(server->requests().size(), viaProxy ? 0 : 2);
    if (viaProxy)
        QVERIFY(proxy.requests()[1].isAbsoluteForm() && proxy.requests()[1].path() == "/f2");
    QCOMPARE(file("f2"), viaProxy ? "via proxy" : "direct");
}

void TestDownloadWindow::optionClick_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("proxyEnabled");
    QTest::addColumn<QString>("status");
    QTest::newRow("0") << 0 << false << "Standardeinstellung aus Registry verwenden";
    QTest::newRow("1") << 1 << false << "Direktverbindung (ohne Proxy)";
    QTest::newRow("2") << 2 << true
                       << "Proxy in der Form 'proxy:port' eingeben, z.B. proxy.example.com:8080";
    QTest::newRow("outside the group") << 3 << true << "unchanged";
}

void TestDownloadWindow::optionClick()
{
    QFETCH(int, index);
    QFETCH(bool, proxyEnabled);
    QFETCH(QString, status);
    w->optProxy_Click(2); // start from the state every other click changes
    w->setStatusPanelText(1, "unchanged");
    w->optProxy_Click(index);
    QCOMPARE(w->txtProxy->isEnabled(), proxyEnabled);
    QCOMPARE(w->statusPanelText(1), status);
    QCOMPARE(w->txtProxy->text(), "proxy:port");
}

VORNIX_TEST_MAIN(TestDownloadWindow)
#include "tst_downloadwindow.moc"
