#include "TestMain.h"
#include "filelist/clsParser.h"

#include <QtTest>

class tst_clsParser final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void textList_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<int>("kind"); // of the failure; -1 when the list parses
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("bound");
        QTest::addColumn<QString>("why"); // the exact wording, checked once for each
        const auto row = [](const char *input, const QStringList &expected) {
            QTest::newRow(*input ? input : "empty") << QString::fromUtf8(input) << expected << -1
                                                    << QString() << QString() << QString();
        };
        const auto bad = [](const char *in, int kind, QString item, QString bound,
                            QString why = {}) {
            QTest::newRow(in) << QString::fromUtf8(in) << QStringList() << kind << item << bound
                              << why;
        };
        row("", {""});
        row(";", {""});
        row(";;", {"", ""});
        row("a;;b", {"a", "", "b"});
        row("1;2", {"1", "2"});
        row("1;2;", {"1", "2"});
        row("1;2;;", {"1", "2", ""});
        row(" 3 ;01;a+b,c.d§", {" 3 ", "01", "a+b,c.d§"});
        row(" 3 - 5;\t8\t-\t9\t;+9-+010", {"3", "4", "5", "8", "9", "9", "10"});
        row("5-5;05-07;0-2", {"5", "5", "6", "7", "0", "1", "2"});
        row("5-3;x", {"x"});
        row("5-3;9-1", {});
        row("32765-32767;z", {"32765", "32766", "32767", "z"});
        row("1-2-3;1-5-3", {"2", "3"});
        const int nan = ParserError::TypeMismatch;
        const int big = ParserError::Overflow;
        bad("-5", nan, "-5", "", "eine Bereichsgrenze fehlt.");
        bad("1;5-;7", nan, "5-", "");
        bad("1- ", nan, "1- ", " ");
        bad("x;1-2-", nan, "1-2-", "");
        bad("a-c", nan, "a-c", "a", "\"a\" ist keine Zahl.");
        bad("1-2.5", nan, "1-2.5", "2.5");
        bad("1-1,000", nan, "1-1,000", "1,000");
        bad("1 2-3", nan, "1 2-3", "1 2");
        bad("+-3", nan, "+-3", "+");
        bad(" 7 - q ", nan, " 7 - q ", " q ");
        bad("1-x;1-40000", nan, "1-x", "x");
        bad("0-32768", big, "0-32768", "32768", "\"32768\" liegt nicht zwischen -32768 und 32767.");
        bad("40000-b", big, "40000-b", "40000");
        bad("1-99999999999999999999", big, "1-99999999999999999999", "99999999999999999999");
    }
    void textList()
    {
        QFETCH(QString, input);
        QFETCH(QStringList, expected);
        QFETCH(int, kind);
        QFETCH(QString, item);
        QFETCH(QString, bound);
        QFETCH(QString, why);
        clsParser parser;
        parser.setInputText("1-40"); // a longer list must leave nothing behind
        parser.TextList();
        parser.setInputText(input);
        try {
            const QStringList first = parser.TextList();
            QVERIFY2(kind < 0, "no failure");
            QCOMPARE(first, expected);
            QCOMPARE(parser.TextList(), expected); // a second read gives the same
        } catch (const ParserError &error) {
            QCOMPARE(int(error.kind()), kind);
            QCOMPARE(error.item(), item);
            QCOMPARE(error.bound(), bound);
            const QString message = error.userMessage();
            QVERIFY2(message.contains('"' + item + '"') && message.contains(bound.trimmed()),
                     qPrintable(message));
            if (!why.isEmpty())
                QCOMPARE(message,
                         "Der Eintrag \"" + item + "\" der Ersetzungsliste ist ungültig: " + why);
            parser.setInputText("z"); // the next read starts over
            QCOMPARE(parser.TextList(), QStringList{"z"});
        }
    }
    void itemLimit_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<qint64>("count");
        QTest::addColumn<bool>("accepted");
        const QString full = "0-32767;"; // 32768 items
        QTest::newRow("0-32767; 400 times") << full.repeated(400) << qint64(13107200) << false;
        QTest::newRow("exactly the limit")
            << full.repeated(7) + "1-20624" << qint64(250000) << true;
        QTest::newRow("one over the limit")
            << full.repeated(7) + "0-20624" << qint64(250001) << false;
        QTest::newRow("literal items count too")
            << full.repeated(7) + "1-20623;a;b" << qint64(250001) << false;
    }
    void itemLimit()
    {
        QFETCH(QString, input);
        QFETCH(qint64, count);
        QFETCH(bool, accepted);
        clsParser parser;
        parser.setInputText(input);
        try {
            const QStringList items = parser.TextList();
            QVERIFY2(accepted, "no failure");
            QCOMPARE(items.size(), count);
            QCOMPARE(items.constLast(), "20624");
        } catch (const ParserError &error) {
            QVERIFY2(!accepted, qPrintable(error.userMessage()));
            QCOMPARE(error.kind(), ParserError::TooManyUrls);
            QCOMPARE(error.userMessage(), "Die Ersetzungsliste ergibt " + QString::number(count) +
                                              " URLs; höchstens 250000 sind möglich.");
        }
    }
};

VORNIX_TEST_MAIN(tst_clsParser)
#include "tst_clsParser.moc"
