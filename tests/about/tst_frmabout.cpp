#include "BoxRecorder.h"
#include "WindowTestMain.h"
#include "about/Registry.h"
#include "about/frmAbout.h"
#include "version.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;

class tst_frmAbout : public QObject
{
    Q_OBJECT
    QWidget m_owner;
    QStringList m_started;

private Q_SLOTS:
    void initTestCase()
    {
        frmAbout::setProgramStarter([this](const QString &program) {
            m_started << program;
            return !program.endsWith(u"fail");
        });
        m_owner.setWindowTitle(u"Vornix-Downloader 0.2 BETA1"_s);
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
        for (int opening = 1; opening <= 2; ++opening) {
            QString caption;
            QTimer::singleShot(0, this, [&] {
                caption = dlg.windowTitle();
                QTest::keyClick(dlg.focusWidget() ? dlg.focusWidget() : &dlg,
                                opening == 1 ? key : Qt::Key_Escape);
                if (dlg.isVisible()) { // the key failed; don't hang the test
                    caption = u"<still open>"_s;
                    dlg.reject();
                }
            });
            dlg.exec();
            QCOMPARE(caption, u"About Vornix-Downloader 0.2 BETA1"_s);
            QVERIFY((dlg.geometry().center() - m_owner.geometry().center()).manhattanLength() <= 4);
            QCOMPARE(dlg.lblTitle->text(), u"Vornix-Downloader"_s);
            QCOMPARE(dlg.lblVersion->text(), QStringLiteral("Version " VORNIX_VERSION_STRING));
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
        const QString viaLocation2 = u"%D%/tools/MSINFO32.EXE"_s, file = u"file"_s;
        const QString fits = u"PATH="_s + QString(1023, u'p'); // with the zero: 1024 bytes
        QTest::newRow("location 1 present") << u"PATH=%D%/x"_s << file << u"%D%/x"_s;
        QTest::newRow("location 1 fails to start") << u"PATH=%D%/fail"_s << file << u"%D%/fail"_s;
        QTest::newRow("only location 2, program there") << QString() << file << viaLocation2;
        QTest::newRow("only location 2, no program") << QString() << u"none"_s << QString();
        QTest::newRow("location 2 names a folder") << QString() << u"dir"_s << QString();
        QTest::newRow("another type") << u"PATH=hex:41,00"_s << file << QString();
        QTest::newRow("1024 bytes fit") << fits << file << fits.mid(5);
        QTest::newRow("longer than 1024 bytes") << fits + u'p' << file << viaLocation2;
        QTest::newRow("filling the buffer without a zero")
            << u"PATH=hex(1):"_s + u"41,"_s.repeated(1023) + u"41"_s << file << QString();
        QTest::newRow("nothing configured") << u"-"_s << file << QString();
    }

    void StartSysInfo()
    {
        QFETCH(QString, location1);
        QFETCH(QString, program);
        QFETCH(QString, started);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath(program == u"dir" ? u"tools/MSINFO32.EXE"_s : u"tools"_s));
        if (program == u"file")
            QVERIFY(QFile(dir.filePath(u"tools/MSINFO32.EXE"_s)).open(QIODevice::WriteOnly));
        QString text = u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools Location]\n"
                       "MSINFO=%D%/tools\n"
                       "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools\\MSINFO]\n"_s;
        QFile registry(Registry::registryStandInPath());
        QVERIFY(registry.open(QIODevice::WriteOnly));
        if (location1 != u"-")
            registry.write((text += location1).replace(u"%D%"_s, dir.path()).toUtf8());
        registry.close();

        m_started.clear();
        BoxRecorder boxes;
        frmAbout dlg(&m_owner);
        dlg.show();
        dlg.cmdSysInfo->click();
        started.replace(u"%D%"_s, dir.path());
        QCOMPARE(m_started, started.isEmpty() ? QStringList() : QStringList{started});
        QCOMPARE(boxes.boxes.size(), started.isEmpty() || started.endsWith(u"fail") ? 1 : 0);
        if (!boxes.boxes.isEmpty())
            QCOMPARE(boxes.boxes[0].text, u"System Information Is Unavailable At This Time"_s);
        QCOMPARE(Registry::openKeyCount(), 0);
    }
};

VORNIX_WINDOW_TEST_MAIN(tst_frmAbout)
#include "tst_frmabout.moc"
