#include "HttpFixtureServer.h"
#include "TestMain.h"
#include "WindowFixture.h"
#include "app/frmMain.h"
#include "download/clsInet.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
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
    void threeUrlsComplete();
    void cancelDuringSecondOfFive();
    void accessTypeFixedAtStart();
    void namedProxyFromProxyField();
    void optionClick_data();
    void optionClick();
    void closingWindowDuringTransfer();

private:
    // Points the window at the server: template /f§ with the given list.
    void aim(const QString &list);
    QStringList filesInFolder() const
    {
        return QDir(dir->path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    std::unique_ptr<BoxRecorder> boxes;
    std::unique_ptr<HttpFixtureServer> server;
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<frmMain> w;
};

void TestDownloadWindow::init()
{
    clearSettings();
    storeSetting(QStringLiteral("BETA-0.2-BETA1"), QStringLiteral("OK"));
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

void TestDownloadWindow::aim(const QString &list)
{
    w->txtURL->setText(server->url(QStringLiteral("/f§")));
    w->cboErsatzText->setEditText(list);
}

void TestDownloadWindow::threeUrlsComplete()
{
    for (const char *n : {"1", "2", "3"})
        server->serve(QByteArray("/f") + n, QByteArray("body ") + n);
    aim(QStringLiteral("1-3"));
    w->txtDateiprefix->setText(QStringLiteral("s_"));
    QList<bool> modeDuringTransfer;
    connect(server.get(), &HttpFixtureServer::requestReceived, this, [this, &modeDuringTransfer] {
        modeDuringTransfer << w->cmdDownload->isEnabled() << w->cmdAbbruch->isEnabled()
                           << w->cmdVorschauAktualisieren->isEnabled();
    });
    w->cmdDownload->click();

    QCOMPARE(filesInFolder(), (QStringList{"s_f1", "s_f2", "s_f3"}));
    QFile third(dir->filePath("s_f3"));
    QVERIFY(third.open(QIODevice::ReadOnly));
    QCOMPARE(third.readAll(), QByteArray("body 3"));
    QCOMPARE(modeDuringTransfer.mid(0, 3), (QList<bool>{false, true, false}));
    QVERIFY(w->cmdDownload->isEnabled());
    QVERIFY(w->cmdVorschauAktualisieren->isEnabled());
    QVERIFY(!w->cmdAbbruch->isEnabled());
    QCOMPARE(w->statusPanelText(1), QStringLiteral("Download: ") + server->url("/f3"));
    QVERIFY(!w->objInet);
    QVERIFY(boxes->boxes.isEmpty());
}

void TestDownloadWindow::cancelDuringSecondOfFive()
{
    for (const char *n : {"1", "3", "4", "5"})
        server->serve(QByteArray("/f") + n, "x");
    server->serveSilent("/f2");
    aim(QStringLiteral("1-5"));
    // Escape presses "Abbruch" while it is enabled, as a user would cancel.
    connect(server.get(), &HttpFixtureServer::requestReceived, this, [this] {
        if (server->requests().last().path() == "/f2")
            QTest::keyClick(w.get(), Qt::Key_Escape);
    });
    w->cmdDownload->click();

    QCOMPARE(filesInFolder(), QStringList{"f1"});
    QCOMPARE(w->statusPanelText(1), QStringLiteral("Abgebrochen - ") + server->url("/f2"));
    QVERIFY(!w->blnAbbruch);
    QVERIFY(w->cmdDownload->isEnabled());
    QVERIFY(!w->cmdAbbruch->isEnabled());
    QVERIFY(!w->objInet);
    QCOMPARE(server->requests().size(), 2);
}

void TestDownloadWindow::accessTypeFixedAtStart()
{
    // The environment names a proxy; "Direktverbindung" must ignore it, also
    // after the user clicks "Standard" while the batch runs.
    HttpFixtureServer proxy;
    QVERIFY(proxy.listen());
    HttpFixtureServer::Reply fromProxy;
    fromProxy.body = "via proxy";
    proxy.setDefaultReply(fromProxy);
    qputenv("http_proxy", proxy.url(QString()).toLatin1());
    const auto restore = qScopeGuard([] { qunsetenv("http_proxy"); });

    server->serve("/f1", "direct 1");
    server->serve("/f2", "direct 2");
    aim(QStringLiteral("1;2"));
    w->optProxy[1]->click();
    connect(server.get(), &HttpFixtureServer::requestReceived, this,
            [this] { w->optProxy[0]->click(); });
    w->cmdDownload->click();

    QCOMPARE(server->requests().size(), 2);
    QVERIFY(proxy.requests().isEmpty());
    QVERIFY(w->optProxy[0]->isChecked());
    QCOMPARE(filesInFolder(), (QStringList{"f1", "f2"}));
}

void TestDownloadWindow::namedProxyFromProxyField()
{
    HttpFixtureServer proxy;
    QVERIFY(proxy.listen());
    HttpFixtureServer::Reply fromProxy;
    fromProxy.body = "via proxy";
    proxy.setDefaultReply(fromProxy);

    aim(QStringLiteral("7"));
    w->optProxy[2]->click();
    w->txtProxy->setText(proxy.hostPort());
    w->cmdDownload->click();

    QCOMPARE(proxy.requests().size(), 1);
    QVERIFY(proxy.requests()[0].isAbsoluteForm());
    QCOMPARE(proxy.requests()[0].path(), QByteArray("/f7"));
    QVERIFY(server->requests().isEmpty());
    QFile file(dir->filePath("f7"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("via proxy"));
}

void TestDownloadWindow::optionClick_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("proxyEnabled");
    QTest::addColumn<QString>("status");

    QTest::newRow("Standard") << 0 << false << "Standardeinstellung aus Registry verwenden";
    QTest::newRow("Direktverbindung") << 1 << false << "Direktverbindung (ohne Proxy)";
    QTest::newRow("Benutzerdefiniert")
        << 2 << true << "Proxy in der Form 'proxy:port' eingeben, z.B. proxy.example.com:8080";
    QTest::newRow("outside the group") << 3 << true << "unchanged";
}

void TestDownloadWindow::optionClick()
{
    QFETCH(int, index);
    QFETCH(bool, proxyEnabled);
    QFETCH(QString, status);

    // Start from "Benutzerdefiniert" so that every change shows.
    w->optProxy_Click(2);
    w->setStatusPanelText(1, QStringLiteral("unchanged"));
    w->optProxy_Click(index);
    QCOMPARE(w->txtProxy->isEnabled(), proxyEnabled);
    QCOMPARE(w->statusPanelText(1), status);
    QCOMPARE(w->txtProxy->text(), QStringLiteral("proxy:port"));
}

void TestDownloadWindow::closingWindowDuringTransfer()
{
    server->serve("/f1", "one");
    server->serveSilent("/f2");
    server->serve("/f3", "three");
    aim(QStringLiteral("1-3"));
    connect(server.get(), &HttpFixtureServer::requestReceived, this, [this] {
        if (server->requests().last().path() == "/f2")
            w->close();
    });
    w->cmdDownload->click();

    QVERIFY(!w->isVisible());
    QVERIFY(!w->objInet);
    QCOMPARE(filesInFolder(), QStringList{"f1"});
    QCOMPARE(server->requests().size(), 2);
    QCOMPARE(storedSetting(QStringLiteral("SpeicherOrt")), dir->path());
}

VORNIX_TEST_MAIN(TestDownloadWindow)
#include "tst_downloadwindow.moc"
