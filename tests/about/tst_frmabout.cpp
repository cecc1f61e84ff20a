#include "BoxRecorder.h"
#include "TestFiles.h"
#include "WindowTestMain.h"
#include "about/Registry.h"
#include "about/frmAbout.h"
#include "version.h"

#include <QtWidgets>

class tst_frmAbout final : public QObject
{
    Q_OBJECT
    QWidget m_owner;
    QStringList m_started;

private Q_SLOTS:
    void initTestCase()
    {
        frmAbout::setProgramStarter([this](const QString &program) {
            m_started << program;
            return !program.endsWith("fail");
        });
        m_owner.setWindowTitle("Vornix-Downloader 0.2 BETA1");
        m_owner.setGeometry(60, 50, 640, 480);
        QVERIFY(QDir().mkpath(QFileInfo(Registry::registryStandInPath()).absolutePath()));
    }

    void openTwice_data()
    {
        QTest::addColumn<Qt::Key>("key");
        QTest::newRow("Enter on the keypad") << Qt::Key_Enter;
        QTest::newRow("Return") << Qt::Key_Return;
        QTest::newRow("Escape") << Qt::Key_Escape;
    }

    void openTwice()
    {
        QFETCH(Qt::Key, key);
        frmAbout dlg(&m_owner);
        for (const Qt::Key closing : {key, Qt::Key_Escape}) {
            dlg.open();
            QCOMPARE(dlg.windowTitle(), "About Vornix-Downloader 0.2 BETA1");
            QVERIFY((dlg.geometry().center() - m_owner.geometry().center()).manhattanLength() <= 4);
            QCOMPARE(dlg.lblTitle->text(), "Vornix-Downloader");
            QCOMPARE(dlg.lblVersion->text(), QStringLiteral("Version " VORNIX_VERSION_STRING));
            QTest::keyClick(dlg.focusWidget() ? dlg.focusWidget() : &dlg, closing);
            QVERIFY(!dlg.isVisible());
            dlg.lblTitle->clear(); // the next opening must rebuild them
            dlg.lblVersion->clear();
        }
    }

    void StartSysInfo_data()
    {
        // %D%: a fresh folder, location 2 naming %D%/tools; programs ending in "fail" don't start.
        QTest::addColumn<QString>("location1"); // its value line; empty: none; "-": no keys at all
        QTest::addColumn<QString>("program");   // %D%/tools/MSINFO32.EXE is a file, dir or none
        QTest::addColumn<QString>("started");
        const QString viaLocation2 = "%D%/tools/MSINFO32.EXE", file = "file";
        const QString fits = "PATH=" + QString(1023, 'p'); // with the zero: 1024 bytes
        QTest::newRow("location 1 present") << "PATH=%D%/x" << file << "%D%/x";
        QTest::newRow("location 1 fails to start") << "PATH=%D%/fail" << file << "%D%/fail";
        QTest::newRow("only location 2, program there") << QString() << file << viaLocation2;
        QTest::newRow("only location 2, no program") << QString() << "none" << QString();
        QTest::newRow("location 2 names a folder") << QString() << "dir" << QString();
        QTest::newRow("another type") << "PATH=hex:41,00" << file << QString();
        QTest::newRow("1024 bytes fit") << fits << file << fits.mid(5);
        QTest::newRow("longer than 1024 bytes") << fits + 'p' << file << viaLocation2;
        QTest::newRow("filling the buffer without a zero")
            << "PATH=hex(1):" + QString("41,").repeated(1023) + "41" << file << QString();
        QTest::newRow("nothing configured") << "-" << file << QString();
    }

    void StartSysInfo()
    {
        QFETCH(QString, location1);
        QFETCH(QString, program);
        QFETCH(QString, started);
        QTemporaryDir dir;
        const QString exe = dir.filePath("tools/MSINFO32.EXE");
        QVERIFY(QDir().mkpath(program == "dir" ? exe : dir.filePath("tools")));
        QVERIFY(program != "file" || writeFile(exe, {}));
        QString text = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools Location]\n"
                       "MSINFO=%D%/tools\n"
                       "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools\\MSINFO]\n";
        text = location1 == "-" ? QString() : (text += location1).replace("%D%", dir.path());
        QVERIFY(writeFile(Registry::registryStandInPath(), text.toUtf8()));

        m_started.clear();
        BoxRecorder boxes;
        frmAbout dlg(&m_owner);
        dlg.show();
        QTest::mouseClick(dlg.cmdSysInfo, Qt::LeftButton);
        started.replace("%D%", dir.path());
        QCOMPARE(m_started.join('\n'), started); // one start at most
        QCOMPARE(boxes.boxes.size(), started.isEmpty() || started.endsWith("fail") ? 1 : 0);
        if (!boxes.boxes.isEmpty())
            QCOMPARE(boxes.boxes[0].text, "System Information Is Unavailable At This Time");
        QCOMPARE(Registry::openKeyCount(), 0);
    }
};

VORNIX_WINDOW_TEST_MAIN(tst_frmAbout)
#include "tst_frmabout.moc"
