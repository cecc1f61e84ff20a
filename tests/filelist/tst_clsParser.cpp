#include "TestMain.h"
#include "filelist/clsParser.h"

// A replacement list and what reading it gives: the items, or why it cannot be read.
struct Case
{
    QString input;
    QStringList expected = {};
    QString item = {}, message = {}; // message: none when the list parses
    bool pad = false;                // ranges padded to the width of their lower bound
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
            if (!c.message.isEmpty())
                c.message.prepend("Der Eintrag \"" + c.item +
                                  "\" der Ersetzungsliste ist ungültig: ");
            const QString tag = c.input.isEmpty() ? "empty" : c.input;
            QTest::newRow(qPrintable(tag + (c.pad ? " (padded)" : ""))) << c;
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
        const QStringList padded{"001", "002", "003", "08", "09", "10", "11", "1", "2"};
        row({"001-003;08-11;1-2", padded, {}, {}, true});
        row({"001-003;08-11;1-2", {"1", "2", "3", "8", "9", "10", "11", "1", "2"}});
        row({" +0098 - 101;0-1;09-8", {"0098", "0099", "0100", "0101", "0", "1"}, {}, {}, true});
        row({"007-x", {}, "007-x", "\"x\" ist keine Zahl.", true});
        row({"-5", {}, "-5", "eine Bereichsgrenze fehlt."});
        row({"1;5-;7", {}, "5-", "eine Bereichsgrenze fehlt."});
        row({"1- ", {}, "1- ", "eine Bereichsgrenze fehlt."});
        row({"x;1-2-", {}, "1-2-", "eine Bereichsgrenze fehlt."});
        row({"a-c", {}, "a-c", "\"a\" ist keine Zahl."});
        row({"1-2.5", {}, "1-2.5", "\"2.5\" ist keine Zahl."});
        row({"1-1,000", {}, "1-1,000", "\"1,000\" ist keine Zahl."});
        row({"1 2-3", {}, "1 2-3", "\"1 2\" ist keine Zahl."});
        row({"+-3", {}, "+-3", "\"+\" ist keine Zahl."});
        row({" 7 - q ", {}, " 7 - q ", "\"q\" ist keine Zahl."});
        row({"1-x;1-40000", {}, "1-x", "\"x\" ist keine Zahl."});
        const QString outside = " liegt nicht zwischen -32768 und 32767.";
        row({"0-32768", {}, "0-32768", "\"32768\"" + outside});
        row({"40000-b", {}, "40000-b", "\"40000\"" + outside});
        const QString huge = "99999999999999999999";
        row({"1-" + huge, {}, "1-" + huge, u'"' + huge + u'"' + outside});
        // At most 250000 items, counted before any is built.
        const QString range = "0-32767;", full = range.repeated(7); // full: 229376 items
        QStringList limit;                                          // what full + "1-20624" gives
        for (int i = 0; i < 250000; ++i)
            limit << QString::number(i < 229376 ? i % 32768 : i - 229375);
        QTest::newRow("exactly the limit") << Case{full + "1-20624", limit};
        const QString many = "Die Ersetzungsliste ergibt %1 URLs; höchstens 250000 sind möglich.";
        QTest::newRow("400 full ranges") << Case{range.repeated(400), {}, "", many.arg(13107200)};
        QTest::newRow("one over the limit") << Case{full + "0-20624", {}, "", many.arg(250001)};
        QTest::newRow("literals count too") << Case{full + "1-20623;a;b", {}, "", many.arg(250001)};
    }
    void textList()
    {
        QFETCH(Case, c);
        clsParser parser;
        parser.setInputText("1-40"); // a longer list must leave nothing behind
        parser.TextList();
        parser.setInputText(c.input);
        parser.setPadRanges(c.pad);
        try {
            QCOMPARE(parser.TextList(), c.expected);
            QCOMPARE(parser.TextList(), c.expected); // a second read gives the same
            QCOMPARE(c.message, QString());          // no failure was due
        } catch (const ParserError &error) {
            QCOMPARE(error.userMessage(), c.message);
            parser.setInputText("z"); // the next read starts over
            QCOMPARE(parser.TextList(), QStringList{"z"});
        }
    }
};

VORNIX_TEST_MAIN(tst_clsParser)
#include "tst_clsParser.moc"
