#include "TestMain.h"
#include "WindowFixture.h"
#include "app/MousePointer.h"
#include "app/frmMain.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

// The "refresh" button as a user presses it in the real window.
class TestPreview : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        clearSettings();
        storeSetting(QStringLiteral("BETA-0.2-BETA1"), QStringLiteral("OK"));
    }
    void defaultEntryGivesTwentyUrls();
    void refresh_data();
    void refresh();
    void failureLeavesEverythingAsItWas();
    void shorterRunLeavesOnlyNewUrls();
    void onlyDescendingRangesEmptyTheList();
};

static QStringList previewLines(const frmMain &w)
{
    return w.txtVorschau->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
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
    for (const char *n : {"01", "02", "03", "04", "05", "06", "07", "08", "09"})
        expected << QStringLiteral("http://h.example/s%1.jpg").arg(QLatin1String(n));
    for (int n = 10; n <= 20; ++n)
        expected << QStringLiteral("http://h.example/s%1.jpg").arg(n);
    QCOMPARE(w.Dateiliste, expected);
    QCOMPARE(previewLines(w), expected);
    QCOMPARE(windowMousePointer(&w), vbDefault);
    QVERIFY(rec.boxes.isEmpty());
}

void TestPreview::refresh_data()
{
    QTest::addColumn<QString>("urlTemplate");
    QTest::addColumn<QString>("placeholder");
    QTest::addColumn<QString>("list");
    QTest::addColumn<QStringList>("urls");

    QTest::newRow("path only") << "image§.jpg"
                               << "§"
                               << "1-3" << QStringList{"image1.jpg", "image2.jpg", "image3.jpg"};
    QTest::newRow("twice") << "§/x§"
                           << "§"
                           << "a;b" << QStringList{"a/xa", "b/xb"};
    QTest::newRow("empty list") << "p§q"
                                << "§"
                                << "" << QStringList{"pq"};
    QTest::newRow("empty template") << ""
                                    << "§"
                                    << "1;2" << QStringList{"", ""};
}

void TestPreview::refresh()
{
    QFETCH(QString, urlTemplate);
    QFETCH(QString, placeholder);
    QFETCH(QString, list);
    QFETCH(QStringList, urls);

    BoxRecorder rec;
    frmMain w;
    w.show();
    w.txtURL->setText(urlTemplate);
    w.txtPlatzhalter->setText(placeholder);
    w.cboErsatzText->setEditText(list);
    w.cmdVorschauAktualisieren_Click();
    QCOMPARE(w.Dateiliste, urls);
    // One line per URL, each ended by a line break, even empty ones.
    QCOMPARE(w.txtVorschau->toPlainText(), urls.join(QLatin1Char('\n')) + QLatin1Char('\n'));
}

void TestPreview::failureLeavesEverythingAsItWas()
{
    BoxRecorder rec;
    frmMain w;
    w.show();
    w.txtURL->setText(QStringLiteral("u§"));
    w.cboErsatzText->setEditText(QStringLiteral("1-2"));
    w.cmdVorschauAktualisieren_Click();
    const QString before = w.txtVorschau->toPlainText();

    w.cboErsatzText->setEditText(QStringLiteral("7;1-40000"));
    w.cmdVorschauAktualisieren_Click();
    QCOMPARE(rec.boxes.size(), 1);
    QVERIFY2(rec.boxes[0].text.contains(QLatin1String("1-40000")), qPrintable(rec.boxes[0].text));
    QCOMPARE(w.txtVorschau->toPlainText(), before);
    QCOMPARE(w.Dateiliste, (QStringList{"u1", "u2"}));
    QCOMPARE(windowMousePointer(&w), vbDefault);
}

void TestPreview::shorterRunLeavesOnlyNewUrls()
{
    BoxRecorder rec;
    frmMain w;
    w.show();
    w.txtURL->setText(QStringLiteral("§"));
    w.cboErsatzText->setEditText(QStringLiteral("1-5"));
    w.cmdVorschauAktualisieren_Click();
    w.cboErsatzText->setEditText(QStringLiteral("x;y"));
    w.cmdVorschauAktualisieren_Click();
    QCOMPARE(w.Dateiliste, (QStringList{"x", "y"}));
    QCOMPARE(previewLines(w), (QStringList{"x", "y"}));
}

void TestPreview::onlyDescendingRangesEmptyTheList()
{
    BoxRecorder rec;
    frmMain w;
    w.show();
    w.cboErsatzText->setEditText(QStringLiteral("1-3"));
    w.cmdVorschauAktualisieren_Click();
    w.cboErsatzText->setEditText(QStringLiteral("5-3;9-1"));
    w.cmdVorschauAktualisieren_Click();
    QVERIFY(w.Dateiliste.isEmpty());
    QCOMPARE(w.txtVorschau->toPlainText(), QString());
    QVERIFY(rec.boxes.isEmpty());
}

VORNIX_TEST_MAIN(TestPreview)
#include "tst_preview.moc"
