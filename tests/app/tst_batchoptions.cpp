#include "HttpFixtureServer.h"
#include "WindowFixture.h"
#include "WindowTestMain.h"
#include "app/BatchProgress.h"

#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

using Settings = QMap<QString, QString>;

// What a batch shows beside the status panel, and the options it runs with.
class tst_BatchOptions final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        server = std::make_unique<HttpFixtureServer>();
        QVERIFY(server->listen());
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
    }
    void cleanup() { f.reset(), server.reset(), dir.reset(); }

    void resultLine_data()
    {
        QTest::addColumn<Settings>("stored");
        QTest::addColumn<QStringList>("existing"); // files in the folder before the batch
        QTest::addColumn<QList<int>>("missing");   // of f01 to f20, answered with 404
        QTest::addColumn<QString>("result");
        QTest::addColumn<int>("boxes");
        QTest::newRow("all saved")
            << Settings{} << QStringList{"f05"} << QList<int>{} << "20 von 20 gespeichert" << 0;
        QTest::newRow("three 404s, one box each")
            << Settings{} << QStringList{} << QList<int>{4, 9, 17}
            << "17 von 20 gespeichert, 3 fehlgeschlagen" << 3;
    }
    void resultLine()
    {
        QFETCH(Settings, stored);
        QFETCH(QStringList, existing);
        QFETCH(QList<int>, missing);
        QFETCH(QString, result);
        QFETCH(int, boxes);
        for (const QString &name : existing) {
            QFile file(dir->filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write("old") == 3);
        }
        QStringList requested;
        for (int i = 1; i <= 20; ++i) {
            const QString name = QString("f%1").arg(i, 2, 10, QChar('0'));
            if (!missing.contains(i))
                server->serve("/" + name.toLatin1(), name.toLatin1());
            if (!existing.contains(name) || !stored.contains("VorhandeneUeberspringen"))
                requested << QString("%1 von 20").arg(i);
        }

        QStringList shown; // by the bar while each request arrives
        connect(server.get(), &HttpFixtureServer::requestReceived, this,
                [&] { shown << f->w.prgBatch->text().section(" – ", 0, 0); });
        QVERIFY(download(stored, "01;02;03;04;05;06;07;08;09;10-20"));
        QCOMPARE(shown, requested);
        QCOMPARE(f->w.prgBatch->text(), result);
        QVERIFY(f->w.prgBatch->isVisible());
        QCOMPARE(f->boxes.boxes.size(), boxes);
        QCOMPARE(f->w.statusPanelText(1), "Download: " + server->url("/f20"));
        QCOMPARE(QDir(dir->path()).entryList(QDir::Files).size(), 20 - missing.size());
    }

private:
    // Shows the window with these settings, types the list and clicks "Download".
    bool download(Settings stored, const QString &list)
    {
        stored.insert("SpeicherOrt", dir->path());
        f = std::make_unique<WindowFixture>(stored);
        // No bar before the first batch: the status bar looks as it always did.
        if (!f->show() || f->w.prgBatch->isVisible())
            return false;
        typeInto(f->w.txtURL, server->url("/f§"));
        typeInto(f->w.cboErsatzText, list);
        QTest::mouseClick(f->w.cmdDownload, Qt::LeftButton);
        return true;
    }

    std::unique_ptr<HttpFixtureServer> server;
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<WindowFixture> f;
};

VORNIX_WINDOW_TEST_MAIN(tst_BatchOptions)
#include "tst_batchoptions.moc"
