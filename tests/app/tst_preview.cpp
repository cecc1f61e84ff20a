#include "WindowFixture.h"
#include "WindowTestMain.h"
#include "ui/MousePointer.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

// The "refresh" button as a user presses it in the real window.
class tst_Preview final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void refresh_data()
    {
        QTest::addColumn<QStringList>("lists"); // typed over and refreshed one after the other
        QTest::addColumn<QStringList>("urls");  // in list and preview at the end
        QTest::addColumn<QString>("box");       // what the message box names, if one shows
        QStringList twenty;
        for (int n = 1; n <= 20; ++n)
            twenty << QString("u%1").arg(n, 2, 10, QLatin1Char('0'));
        // null: the offered entry, picked from the list
        QTest::newRow("offered entry") << QStringList{QString()} << twenty << QString();
        QTest::newRow("shorter list")
            << QStringList{"1-5", "x;y"} << QStringList{"ux", "uy"} << QString();
        QTest::newRow("only descending")
            << QStringList{"1-3", "5-3;9-1"} << QStringList{} << QString();
        QTest::newRow("failure") << QStringList{"1-2", "7;1-40000"} << QStringList{"u1", "u2"}
                                 << "\"1-40000\"";
        // The start of the offered entry, typed, is not completed to the whole entry.
        QTest::newRow("typed 01;02;03")
            << QStringList{"01;02;03"} << QStringList{"u01", "u02", "u03"} << QString();
        QTest::newRow("typed 0") << QStringList{"0"} << QStringList{"u0"} << QString();
        QTest::newRow("typed 01") << QStringList{"01"} << QStringList{"u01"} << QString();
    }
    void refresh()
    {
        QFETCH(QStringList, lists);
        QFETCH(QStringList, urls);
        QFETCH(QString, box);
        WindowFixture f;
        QVERIFY(f.show());
        typeInto(f.w.txtURL, "u§");
        for (const QString &list : lists) {
            if (list.isNull())
                f.w.cboErsatzText->setCurrentIndex(0);
            else
                typeInto(f.w.cboErsatzText, list);
            QTest::mouseClick(f.w.cmdVorschauAktualisieren, Qt::LeftButton);
        }
        QCOMPARE(f.w.Dateiliste, urls);
        // Every URL ends with a line break, so the preview splits into them and one empty tail.
        QCOMPARE(f.w.txtVorschau->toPlainText().split('\n'), urls + QStringList{QString()});
        QCOMPARE(windowMousePointer(&f.w), Pointer::Default);
        QCOMPARE(f.boxes.boxes.size(), box.isEmpty() ? 0 : 1);
        QVERIFY(box.isEmpty() || f.boxes.boxes[0].text.contains(box));
    }
};

VORNIX_WINDOW_TEST_MAIN(tst_Preview)
#include "tst_preview.moc"
