#include "filelist/UrlList.h"
#include "support/TestMain.h"

#include <QtTest>

class tst_UrlList : public QObject
{
    Q_OBJECT
private slots:
    void buildUrl_data();
    void buildUrl();
    void preview_data();
    void preview();
};

void tst_UrlList::buildUrl_data()
{
    QTest::addColumn<QString>("urlTemplate");
    QTest::addColumn<QString>("placeholder");
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("expected");

    const auto row = [](const char *name, const QString &urlTemplate, const QString &placeholder,
                        const QString &item, const QString &expected) {
        QTest::newRow(name) << urlTemplate << placeholder << item << expected;
    };
    row("one occurrence", "image§.jpg", "§", "1", "image1.jpg");
    row("twice, same item", "http://h/§/p§.gif", "§", "07", "http://h/07/p07.gif");
    row("absent placeholder", "http://h/a.jpg", "§", "5", "http://h/a.jpg");
    row("empty placeholder", "http://h/§.jpg", "", "5", "http://h/§.jpg");
    row("several characters, exact case", "a/NUM/num/NUm/NUM", "NUM", "9", "a/9/num/NUm/9");
    row("no overlap, left to right", "xaaay", "aa", "B", "xBay");
    row("item holding the placeholder kept", "p§q§", "§", "§§", "p§§q§§");
    row("item completing a placeholder kept", "a%%b", "%%b", "%", "a%");
    row("empty item removes the placeholder", "a§b§", "§", "", "ab");
    row("empty template", "", "§", "1", "");
    row("whole template is the placeholder", "§", "§", "x y", "x y");
}

void tst_UrlList::buildUrl()
{
    QFETCH(QString, urlTemplate);
    QFETCH(QString, placeholder);
    QFETCH(QString, item);
    QFETCH(QString, expected);
    QCOMPARE(BuildUrl(urlTemplate, placeholder, item), expected);
    // The preview must build each URL by the same rule.
    const UrlPreview preview = BuildUrlPreview(urlTemplate, placeholder, {item});
    QCOMPARE(preview.urls, QStringList{expected});
    QCOMPARE(preview.text, expected + "\r\n");
}

void tst_UrlList::preview_data()
{
    QTest::addColumn<QString>("urlTemplate");
    QTest::addColumn<QString>("placeholder");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<QStringList>("urls");
    QTest::addColumn<QString>("text");

    const auto row = [](const char *name, const QString &urlTemplate, const QStringList &items,
                        const QStringList &urls, const QString &text) {
        QTest::newRow(name) << urlTemplate << QStringLiteral("§") << items << urls << text;
    };
    row("three images", "image§.jpg", {"1", "2", "3"}, {"image1.jpg", "image2.jpg", "image3.jpg"},
        "image1.jpg\r\nimage2.jpg\r\nimage3.jpg\r\n");
    row("empty template gives empty lines", "", {"1", "2", "3"}, {"", "", ""}, "\r\n\r\n\r\n");
    row("no items, empty preview", "image§.jpg", {}, {}, "");
    row("items of different lengths", "§-§", {"long", "", "x"}, {"long-long", "-", "x-x"},
        "long-long\r\n-\r\nx-x\r\n");
}

void tst_UrlList::preview()
{
    QFETCH(QString, urlTemplate);
    QFETCH(QString, placeholder);
    QFETCH(QStringList, items);
    QFETCH(QStringList, urls);
    QFETCH(QString, text);
    const UrlPreview preview = BuildUrlPreview(urlTemplate, placeholder, items);
    QCOMPARE(preview.urls, urls);
    QCOMPARE(preview.text, text);
}

VORNIX_TEST_MAIN(tst_UrlList)
#include "tst_UrlList.moc"
