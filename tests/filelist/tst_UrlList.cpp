#include "filelist/UrlList.h"
#include "support/TestMain.h"

#include <QtTest>

class tst_UrlList : public QObject
{
    Q_OBJECT
private slots:
    void build_data();
    void build();
};

void tst_UrlList::build_data()
{
    QTest::addColumn<QString>("urlTemplate");
    QTest::addColumn<QString>("placeholder");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<QStringList>("urls");
    const auto row = [](const char *name, const QString &urlTemplate, const QString &placeholder,
                        const QStringList &items, const QStringList &urls) {
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

void tst_UrlList::build()
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

VORNIX_TEST_MAIN(tst_UrlList)
#include "tst_UrlList.moc"
