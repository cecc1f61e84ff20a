#include "TestMain.h"
#include "filelist/UrlList.h"
#include "filelist/clsParser.h"

// A URL template with its placeholder, the items put in, and the preview they give.
struct Case
{
    QString urlTemplate, placeholder;
    QStringList items, urls; // urls only where the preview is built
    qint64 size = 0;         // of the preview text; refused above 33554432
};

class tst_UrlList final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void preview_data()
    {
        QTest::addColumn<Case>("c");
        const auto row = [](const char *name, const Case &c) { QTest::newRow(name) << c; };
        row("path only", {"i§.jpg", "§", {"1", "2", "3"}, {"i1.jpg", "i2.jpg", "i3.jpg"}, 24});
        row("twice", {"http://h/§/p§.gif", "§", {"07"}, {"http://h/07/p07.gif"}, 21});
        row("absent placeholder", {"h/a.jpg", "§", {"5", "6"}, {"h/a.jpg", "h/a.jpg"}, 18});
        row("empty placeholder", {"h/§.jpg", "", {"5", "6"}, {"h/§.jpg", "h/§.jpg"}, 18});
        // Several characters, in exactly this case.
        row("several characters", {"a/NUM/num/NUm/NUM", "NUM", {"9"}, {"a/9/num/NUm/9"}, 15});
        row("no overlap, left to right", {"xaaay", "aa", {"B"}, {"xBay"}, 6});
        row("item holding the placeholder", {"p§q§", "§", {"§§"}, {"p§§q§§"}, 8});
        row("item completing a placeholder", {"a%%b", "%%b", {"%"}, {"a%"}, 4});
        row("empty item removes it", {"a§b§", "§", {""}, {"ab"}, 4});
        row("empty template", {"", "§", {"1", "2", "3"}, {"", "", ""}, 6});
        row("no items", {"image§.jpg", "§", {}, {}, 0});
        const auto parsed = [](const QString &list) {
            clsParser parser;
            parser.setInputText(list);
            return parser.TextList();
        };
        const QStringList blanks = parsed(QString(32768, u';')); // 32768 empty items
        const QString x1022(1022, u'x');
        row("exactly the limit", {x1022, "§", blanks, QStringList(32768, x1022), 32768 * 1024});
        row("one URL character over", {x1022 + u'x', "§", blanks, {}, 32768 * 1025});
        // 32768 items of 152730 digits in all, each put in 5000 times
        row("5000 placeholders, 0-32767",
            {QString(5000, u'§'), "§", parsed("0-32767"), {}, 32768 * 2 + 5000 * 152730LL});
        const QStringList defaults = parsed("01;02;03;04;05;06;07;08;09;10-20");
        QStringList urls;
        for (const QString &item : defaults)
            urls << item.repeated(3000) + ".jpg";
        row("3000 placeholders, default list",
            {QString(3000, u'§') + ".jpg", "§", defaults, urls, 20 * (3000 * 2 + 4 + 2)});
    }
    void preview()
    {
        QFETCH(Case, c);
        try {
            QCOMPARE(CheckUrlPreviewSize(c.urlTemplate, c.placeholder, c.items), c.size);
            QVERIFY2(c.size <= kMaxPreviewChars, "no failure");
        } catch (const ParserError &error) {
            QVERIFY2(c.size > kMaxPreviewChars, qPrintable(error.userMessage()));
            QCOMPARE(error.userMessage(), QString("Die Vorschau der URLs wäre %1 Zeichen lang; "
                                                  "höchstens 33554432 Zeichen sind möglich.")
                                              .arg(c.size));
            return;
        }
        const UrlPreview preview = BuildUrlPreview(c.urlTemplate, c.placeholder, c.items);
        QCOMPARE(preview.urls, c.urls);
        for (qsizetype i = 0; i < c.items.size(); ++i)
            QCOMPARE(BuildUrl(c.urlTemplate, c.placeholder, c.items[i]), c.urls.value(i));
        // Every URL ends with CR LF, an empty one too.
        QCOMPARE(preview.text.split("\r\n"), c.urls + QStringList{""});
    }
};

VORNIX_TEST_MAIN(tst_UrlList)
#include "tst_UrlList.moc"
