#include "TestMain.h"
#include "about/Registry.h"
#include "about/frmAbout.h"
#include "app/LoadedForms.h"
#include "app/MsgBox.h"
#include "version.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;

class tst_frmAbout : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void loadedTexts();
    void captionIsRebuiltAtEveryOpening();
    void closeKeys_data();
    void closeKeys();
    void GetKeyValue_data();
    void GetKeyValue();
    void StartSysInfo_data();
    void StartSysInfo();

private:
    // Opens dlg (or a fresh dialog when null) modally; once it shows, records
    // its caption and geometry and presses key.
    QString openAndPress(QWidget *owner, frmAbout *dlg, Qt::Key key, QRect *geometry = nullptr);
    QWidget m_owner;
};

static void writeRegistry(const QString &content)
{
    const QString path = Registry::registryStandInPath();
    QFile::remove(path);
    if (content.isNull())
        return;
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content.toUtf8());
}

static const QString kLoc1 =
    QStringLiteral("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools\\MSINFO]\n");
static const QString kLoc2 =
    QStringLiteral("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools Location]\n");

void tst_frmAbout::init()
{
    m_owner.setWindowTitle(QStringLiteral("Vornix-Downloader 0.2 BETA1"));
    m_owner.setGeometry(60, 50, 640, 480);
}

QString tst_frmAbout::openAndPress(QWidget *owner, frmAbout *dlg, Qt::Key key, QRect *geometry)
{
    QString caption;
    QTimer::singleShot(0, this, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        caption = modal->windowTitle();
        if (geometry)
            *geometry = modal->geometry();
        QTest::keyClick(modal->focusWidget() ? modal->focusWidget() : modal, key);
        if (modal->isVisible()) { // the key failed; don't hang the test
            caption = QStringLiteral("<still open>");
            static_cast<QDialog *>(modal)->reject();
        }
    });
    if (dlg)
        dlg->exec();
    else
        frmAbout::showModal(owner);
    return caption;
}

void tst_frmAbout::loadedTexts()
{
    frmAbout dlg(&m_owner);
    dlg.show();
    QCOMPARE(dlg.windowTitle(), QStringLiteral("About Vornix-Downloader 0.2 BETA1"));
    QCOMPARE(dlg.lblTitle->text(), QStringLiteral("Vornix-Downloader"));
    QCOMPARE(dlg.lblVersion->text(), QStringLiteral("Version " VORNIX_VERSION_STRING));
    QVERIFY(!dlg.lblDescription->text().contains(QLatin1Char('\n')));
    QVERIFY(dlg.cmdOK->isDefault());
    QVERIFY(loadedForms().contains(&dlg));
    dlg.cmdOK->click();
    QVERIFY(!dlg.isVisible() && !loadedForms().contains(&dlg));
}

void tst_frmAbout::captionIsRebuiltAtEveryOpening()
{
    frmAbout dlg(&m_owner);
    const QString first = openAndPress(&m_owner, &dlg, Qt::Key_Escape);
    QCOMPARE(first, QStringLiteral("About Vornix-Downloader 0.2 BETA1"));
    QCOMPARE(openAndPress(&m_owner, &dlg, Qt::Key_Escape), first);
    m_owner.setWindowTitle(QStringLiteral("Anderer Titel"));
    QCOMPARE(openAndPress(&m_owner, &dlg, Qt::Key_Escape), QStringLiteral("About Anderer Titel"));
}

void tst_frmAbout::closeKeys_data()
{
    QTest::addColumn<Qt::Key>("key");
    QTest::newRow("Enter on the keypad") << Qt::Key_Enter;
    QTest::newRow("Return") << Qt::Key_Return;
    QTest::newRow("Escape") << Qt::Key_Escape;
}

void tst_frmAbout::closeKeys()
{
    QFETCH(Qt::Key, key);
    const int formsBefore = loadedForms().size();
    QRect geometry;
    QCOMPARE(openAndPress(&m_owner, nullptr, key, &geometry),
             QStringLiteral("About Vornix-Downloader 0.2 BETA1"));
    QVERIFY((geometry.center() - m_owner.geometry().center()).manhattanLength() <= 4);
    QVERIFY(m_owner.findChildren<frmAbout *>().isEmpty());
    QCOMPARE(loadedForms().size(), formsBefore);
}

void tst_frmAbout::GetKeyValue_data()
{
    QTest::addColumn<QString>("registry"); // the lines under location 1's section
    QTest::addColumn<QString>("passedIn");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QString>("value");

    struct Row
    {
        const char *tag, *registry, *passedIn;
        bool found;
        const char *value;
    };
    const QByteArray fits = "PATH=" + QByteArray(1023, 'a'), tooLong = fits + 'a';
    const Row rows[] = {
        {"text", "PATH=C:\\Programme\\Tools\\MSINFO32.EXE", "x", true,
         "C:\\Programme\\Tools\\MSINFO32.EXE"},
        {"names ignore case", "Path=Prüfung", "", true, "Prüfung"},
        {"missing value", "PFAD=a", "x", false, ""},
        {"1023 bytes and the zero fit", fits.constData(), "", true, fits.constData() + 5},
        {"1024 bytes and the zero don't", tooLong.constData(), "x", false, ""},
        {"text ends at the first zero", "PATH=hex(1):41,42,00,43,00", "", true, "AB"},
        {"binary keeps the value passed in", "PATH=hex:41,00", "alt", true, "alt"},
        {"dword gives its number", "PATH=dword:0000012a", "", true, "298"},
    };
    for (const Row &r : rows)
        QTest::newRow(r.tag) << kLoc1 + QString::fromUtf8(r.registry)
                             << QString::fromUtf8(r.passedIn) << r.found
                             << QString::fromUtf8(r.value);
    QTest::newRow("no file") << QString() << u"x"_s << false << QString();
    QTest::newRow("other root")
        << u"[HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Shared Tools\\MSINFO]\nPATH=a"_s << u"x"_s
        << false << QString();
}

void tst_frmAbout::GetKeyValue()
{
    QFETCH(QString, registry);
    QFETCH(QString, passedIn);
    writeRegistry(registry);
    QString value = passedIn;
    QTEST(frmAbout::GetKeyValue(Registry::HKeyLocalMachine,
                                QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"),
                                u"PATH"_s, value),
          "found");
    QTEST(value, "value");
    QCOMPARE(Registry::openKeyCount(), 0);
}

void tst_frmAbout::StartSysInfo_data()
{
    QTest::addColumn<QString>("registry"); // %D% is a fresh folder
    QTest::addColumn<QString>("file");     // made in that folder; ending in "/": a folder
    QTest::addColumn<bool>("startWorks");
    QTest::addColumn<QString>("started");
    QTest::addColumn<bool>("message");

    struct Row
    {
        const char *tag, *location1, *file;
        bool startWorks;
        const char *started;
        bool message;
    };
    const char *program = "tools/MSINFO32.EXE";
    const QByteArray full = "PATH=hex(1):" + QByteArray("41,").repeated(1023) + "41";
    const QByteArray tooLong = "PATH=" + QByteArray(1100, 'p');
    const Row rows[] = {
        {"location 1 wins, unchecked", "PATH=%D%/x", program, true, "%D%/x", false},
        {"location 1 fails to start", "PATH=%D%/x", program, false, "%D%/x", true},
        {"location 2 with the program", nullptr, program, true, "%D%/tools/MSINFO32.EXE", false},
        {"location 2 without the program", nullptr, "", true, "", true},
        {"location 2 names a folder", nullptr, "tools/MSINFO32.EXE/", true, "", true},
        {"location 1 of another type", "PATH=hex:41,00", program, true, "", true},
        {"location 1 too long counts as missing", tooLong.constData(), program, true,
         "%D%/tools/MSINFO32.EXE", false},
        {"location 1 filling the buffer", full.constData(), program, true, "", true},
    };
    const QString loc2 = kLoc2 + u"MSINFO=%D%/tools\n"_s;
    for (const Row &r : rows)
        QTest::newRow(r.tag) << (r.location1 ? kLoc1 + QString::fromUtf8(r.location1) + u'\n'
                                             : QString()) +
                                    loc2
                             << QString::fromUtf8(r.file) << r.startWorks
                             << QString::fromUtf8(r.started) << r.message;
    QTest::newRow("nothing configured")
        << QString() << QString::fromUtf8(program) << true << QString() << true;
}

void tst_frmAbout::StartSysInfo()
{
    QFETCH(QString, registry);
    QFETCH(QString, file);
    QFETCH(bool, startWorks);
    QFETCH(QString, started);
    QFETCH(bool, message);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    if (!file.isEmpty()) {
        QVERIFY(QDir().mkpath(QFileInfo(dir.filePath(file)).absolutePath()));
        QVERIFY(file.endsWith(u'/') ? QDir().mkpath(dir.filePath(file))
                                    : QFile(dir.filePath(file)).open(QIODevice::WriteOnly));
    }
    writeRegistry(registry.replace(u"%D%"_s, dir.path()));

    QStringList starts;
    QList<MsgBoxRequest> boxes;
    const auto oldStarter = frmAbout::setProgramStarter([&](const QString &program) {
        starts << program;
        return startWorks;
    });
    const auto oldHandler = setMsgBoxHandler([&](const MsgBoxRequest &r) { boxes << r; });
    const auto restore = qScopeGuard([&] {
        frmAbout::setProgramStarter(oldStarter);
        setMsgBoxHandler(oldHandler);
    });

    frmAbout dlg(&m_owner);
    dlg.show();
    dlg.cmdSysInfo->click();
    QCOMPARE(starts, started.isEmpty() ? QStringList()
                                       : QStringList{started.replace(u"%D%"_s, dir.path())});
    QCOMPARE(boxes.size(), message ? 1 : 0);
    if (message) {
        QCOMPARE(boxes[0].text, QStringLiteral("System Information Is Unavailable At This Time"));
        QCOMPARE(boxes[0].style, 0);
        QCOMPARE(buildMsgBox(boxes[0], nullptr)->windowTitle(),
                 QStringLiteral("Vornix-Downloader"));
    }
    QVERIFY(dlg.isVisible());
    QCOMPARE(Registry::openKeyCount(), 0);
}

VORNIX_TEST_MAIN(tst_frmAbout)
#include "tst_frmabout.moc"
