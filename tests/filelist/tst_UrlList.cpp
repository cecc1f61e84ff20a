#include "TestMain.h"
#include "filelist/UrlList.h"
#include "filelist/clsParser.h"

#include <QtTest>

class tst_UrlList final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void build_data()
    {
        QTest::addColumn<QString>("urlTemplate");
        QTest::addColumn<QString>("placeholder");
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<QStringList>("urls");
        const auto row = [](const char *name, const QString &urlTemplate,
                            const QString &placeholder, const QStringList &items,
                            const QStringList &urls) {
            QTest::newRow(name) << urlTemplate << placeholder << items << urls;
        };
        row("path only", "i§.jpg", "§", {"1", "2", "3"}, {"i1.jpg", "i2.jpg", "i3.jpg"});
        row("twice", "http://h/§/p§.gif", "§", {"07"}, {"http://h/07/p07.gif"});
        row("absent placeholder", "h/a.jpg", "§", {"5", "6"}, {"h/a.jpg", "h/a.jpg"});
        row("empty placeholder", "h/§.jpg", "", {"5", "6"}, {"h/§.jpg", "h/§.jpg"});
        row("several characters, exact case", "a/NUM/num/NUm/NUM", "NUM", {"9"}, {"a/9/num/NUm/9"});
        row("no overlap, left to right", "xaaay", "aa", {"B"}, {"xBay"});
        row("item holding the placeholder", "p§q§", "§", {"§§"}, {"p§§q§§"});
        row("item completing a placeholder", "a%%b", "%%b", {"%"}, {"a%"});
        row("empty item removes it", "a§b§", "§", {""}, {"ab"});
        row("empty template", "", "§", {"1", "2", "3"}, {"", "", ""});
        row("no items", "image§.jpg", "§", {}, {});
    }
    void build()
    {
        QFETCH(QString, urlTemplate);
        QFETCH(QString, placeholder);
        QFETCH(QStringList, items);
        QFETCH(QStringList, urls);
        QString text; // every URL ends with CR LF, an empty one too
        for (int i = 0; i < items.size(); ++i) {
            QCOMPARE(BuildUrl(urlTemplate, placeholder, items[i]), urls[i]);
            text += urls[i] + "\r\n";
        }
        const UrlPreview preview = BuildUrlPreview(urlTemplate, placeholder, items);
        QCOMPARE(preview.urls, urls);
        QCOMPARE(preview.text, text);
    }
    void previewLimit_data()
    {
        QTest::addColumn<QString>("urlTemplate");
        QTest::addColumn<QString>("list");
        QTest::addColumn<qint64>("size"); // of the preview text; refused above 33554432
        const QString blanks = QString(32768, QLatin1Char(';')); // 32768 empty items
        QTest::newRow("exactly the limit") << QString(1022, 'x') << blanks << qint64(32768 * 1024);
        QTest::newRow("one URL character over")
            << QString(1023, 'x') << blanks << qint64(32768 * 1025);
        // 32768 items of 152730 digits in all, each put in 5000 times
        QTest::newRow("5000 placeholders, 0-32767")
            << QString(5000, QChar(0xA7)) << "0-32767" << qint64(32768) * 2 + qint64(5000) * 152730;
        QTest::newRow("3000 placeholders, default list")
            << QString(3000, QChar(0xA7)) + ".jpg"
            << "01;02;03;04;05;06;07;08;09;10-20" << qint64(20 * (3000 * 2 + 4 + 2));
    }
    void previewLimit()
    {
        QFETCH(QString, urlTemplate);
        QFETCH(QString, list);
        QFETCH(qint64, size);
        clsParser parser;
        parser.setInputText(list);
        const QStringList items = parser.TextList();
        const QString placeholder(QChar(0xA7));
        try {
            QCOMPARE(CheckUrlPreviewSize(urlTemplate, placeholder, items), size);
            QVERIFY2(size <= kMaxPreviewChars, "no failure");
            QCOMPARE(BuildUrlPreview(urlTemplate, placeholder, items).text.size(), size);
        } catch (const ParserError &error) {
            QVERIFY2(size > kMaxPreviewChars, qPrintable(error.userMessage()));
            QCOMPARE(error.kind(), ParserError::PreviewTooLarge);
            QCOMPARE(error.userMessage(),
                     "Die Vorschau der URLs wäre " + QString::number(size) +
                         " Zeichen lang; höchstens 33554432 Zeichen sind möglich.");
        }
    }
};

VORNIX_TEST_MAIN(tst_UrlList)
#include "tst_UrlList.moc"
