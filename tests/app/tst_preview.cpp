#include "WindowFixture.h"
#include "WindowTestMain.h"
#include "app/frmMain.h"
#include "ui/MousePointer.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

// The "refresh" button as a user presses it in the real window.
class TestPreview : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        clearSettings();
        storeSetting(QStringLiteral("BETA-0.2-BETA1"), QStringLiteral("OK"));
    }
    void defaultEntryGivesTwentyUrls();
    void secondRun_data();
    void secondRun();
};

// Every URL ends with a line break, so the preview splits into them and one empty tail.
static QStringList previewLines(const frmMain &w)
{
    return w.txtVorschau->toPlainText().split(QLatin1Char('\n'));
}

void TestPreview::defaultEntryGivesTwentyUrls()
{
    BoxRecorder rec;
    frmMain w;
    w.show();
    w.txtURL->setText(QStringLiteral("http://h.example/s§.jpg"));
    w.cboErsatzText->setCurrentIndex(0); // the offered entry, as a user picks it
    w.cmdVorschauAktualisieren->click();
    QStringList expected;
    for (int n = 1; n <= 20; ++n)
        expected << QStringLiteral("http://h.example/s%1.jpg").arg(n, 2, 10, QLatin1Char('0'));
    QCOMPARE(w.Dateiliste, expected);
    QCOMPARE(previewLines(w), expected + QStringList{QString()});
    QCOMPARE(windowMousePointer(&w), Pointer::Default);
    QVERIFY(rec.boxes.isEmpty());
}

void TestPreview::secondRun_data()
{
    QTest::addColumn<QStringList>("lists"); // typed over and refreshed one after the other
    QTest::addColumn<QStringList>("urls");  // in list and preview at the end
    QTest::addColumn<QString>("box");       // what the message box names, if one shows
    QTest::newRow("shorter list") << QStringList{"1-5", "x;y"} << QStringList{"ux", "uy"}
                                  << QString();
    QTest::newRow("only descending") << QStringList{"1-3", "5-3;9-1"} << QStringList{} << QString();
    QTest::newRow("failure") << QStringList{"1-2", "7;1-40000"} << QStringList{"u1", "u2"}
                             << QStringLiteral("\"1-40000\"");
    // The start of the offered entry, typed, is not completed to the whole entry.
    QTest::newRow("typed 01;02;03")
        << QStringList{"01;02;03"} << QStringList{"u01", "u02", "u03"} << QString();
    QTest::newRow("typed 0") << QStringList{"0"} << QStringList{"u0"} << QString();
    QTest::newRow("typed 01") << QStringList{"01"} << QStringList{"u01"} << QString();
}

void TestPreview::secondRun()
{
    QFETCH(QStringList, lists);
    QFETCH(QStringList, urls);
    QFETCH(QString, box);
    BoxRecorder rec;
    frmMain w;
    w.show();
    w.txtURL->setText(QStringLiteral("u§"));
    QVERIFY(QTest::qWaitForWindowActive(&w));
    for (const QString &list : lists) {
        QTest::mouseClick(w.cboErsatzText, Qt::LeftButton);
        QTest::keyClick(w.cboErsatzText, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(w.cboErsatzText, list);
        QTest::mouseClick(w.cmdVorschauAktualisieren, Qt::LeftButton);
    }
    QCOMPARE(w.Dateiliste, urls);
    QCOMPARE(previewLines(w), urls + QStringList{QString()});
    QCOMPARE(windowMousePointer(&w), Pointer::Default);
    QCOMPARE(rec.boxes.size(), box.isEmpty() ? 0 : 1);
    QVERIFY(box.isEmpty() || rec.boxes[0].text.contains(box));
}

VORNIX_WINDOW_TEST_MAIN(TestPreview)
#include "tst_preview.moc"
