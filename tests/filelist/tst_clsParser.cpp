#include "TestMain.h"
#include "filelist/clsParser.h"

// A replacement list and what reading it gives: the items, or why it cannot be read.
struct Case
{
    QString input;
    QStringList expected = {};
    int kind = -1; // of the failure; -1 when the list parses
    QString item = {}, bound = {}, message = {};
};

class tst_clsParser final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void textList_data()
    {
        QTest::addColumn<Case>("c");
        // The exact wording of a bad entry, named by the input it comes from.
        const auto row = [](Case c) {
            c.message.prepend("Der Eintrag \"" + c.item + "\" der Ersetzungsliste ist ungültig: ");
            QTest::newRow(c.input.isEmpty() ? "empty" : c.input.toUtf8().constData()) << c;
        };
        row({"", {""}});
        row({";", {""}});
        row({";;", {"", ""}});
        row({"a;;b", {"a", "", "b"}});
        row({"1;2", {"1", "2"}});
        row({"1;2;", {"1", "2"}});
        row({"1;2;;", {"1", "2", ""}});
        row({" 3 ;01;a+b,c.d§", {" 3 ", "01", "a+b,c.d§"}});
        row({" 3 - 5;\t8\t-\t9\t;+9-+010", {"3", "4", "5", "8", "9", "9", "10"}});
        row({"5-5;05-07;0-2", {"5", "5", "6", "7", "0", "1", "2"}});
        row({"5-3;x", {"x"}});
        row({"5-3;9-1", {}});
        row({"32765-32767;z", {"32765", "32766", "32767", "z"}});
        row({"1-2-3;1-5-3", {"2", "3"}});
        const int nan = ParserError::TypeMismatch;
        const int big = ParserError::Overflow;
        row({"-5", {}, nan, "-5", "", "eine Bereichsgrenze fehlt."});
        row({"1;5-;7", {}, nan, "5-", "", "eine Bereichsgrenze fehlt."});
        row({"1- ", {}, nan, "1- ", " ", "eine Bereichsgrenze fehlt."});
        row({"x;1-2-", {}, nan, "1-2-", "", "eine Bereichsgrenze fehlt."});
        row({"a-c", {}, nan, "a-c", "a", "\"a\" ist keine Zahl."});
        row({"1-2.5", {}, nan, "1-2.5", "2.5", "\"2.5\" ist keine Zahl."});
        row({"1-1,000", {}, nan, "1-1,000", "1,000", "\"1,000\" ist keine Zahl."});
        row({"1 2-3", {}, nan, "1 2-3", "1 2", "\"1 2\" ist keine Zahl."});
        row({"+-3", {}, nan, "+-3", "+", "\"+\" ist keine Zahl."});
        row({" 7 - q ", {}, nan, " 7 - q ", " q ", "\"q\" ist keine Zahl."});
        row({"1-x;1-40000", {}, nan, "1-x", "x", "\"x\" ist keine Zahl."});
        const QString outside = " liegt nicht zwischen -32768 und 32767.";
        row({"0-32768", {}, big, "0-32768", "32768", "\"32768\"" + outside});
        row({"40000-b", {}, big, "40000-b", "40000", "\"40000\"" + outside});
        const QString huge = "99999999999999999999";
        row({"1-" + huge, {}, big, "1-" + huge, huge, u'"' + huge + u'"' + outside});
        // At most 250000 items, counted before any is built.
        const QString range = "0-32767;";
        const QString full = range.repeated(7); // 229376 items
        QStringList limit;                      // what full + "1-20624" gives
        for (int i = 0; i < 250000; ++i)
            limit << QString::number(i < 229376 ? i % 32768 : i - 229375);
        QTest::newRow("exactly the limit") << Case{full + "1-20624", limit};
        const QString many = "Die Ersetzungsliste ergibt %1 URLs; höchstens 250000 sind möglich.";
        const auto tooMany = [&](const char *name, const QString &input, int count) {
            QTest::newRow(name) << Case{input, {}, ParserError::TooManyUrls,
                                        "",    "", many.arg(count)};
        };
        tooMany("0-32767; 400 times", range.repeated(400), 13107200);
        tooMany("one over the limit", full + "0-20624", 250001);
        tooMany("literal items count too", full + "1-20623;a;b", 250001);
    }
    void textList()
    {
        QFETCH(Case, c);
        clsParser parser;
        parser.setInputText("1-40"); // a longer list must leave nothing behind
        parser.TextList();
        parser.setInputText(c.input);
        try {
            QCOMPARE(parser.TextList(), c.expected);
            QCOMPARE(parser.TextList(), c.expected); // a second read gives the same
            QCOMPARE(c.kind, -1);                    // no failure was due
        } catch (const ParserError &error) {
            QCOMPARE(int(error.kind()), c.kind);
            QCOMPARE(error.item(), c.item);
            QCOMPARE(error.bound(), c.bound);
            QCOMPARE(error.userMessage(), c.message);
            parser.setInputText("z"); // the next read starts over
            QCOMPARE(parser.TextList(), QStringList{"z"});
        }
    }
};

VORNIX_TEST_MAIN(tst_clsParser)
#include "tst_clsParser.moc"
