#include "filelist/clsParser.h"
#include "support/TestMain.h"

#include <QtTest>

class tst_clsParser : public QObject
{
    Q_OBJECT
private slots:
    void items_data();
    void items();
    void failures_data();
    void failures();
    void readsAreIndependent();
    void shorterSecondListReplacesTheFirst();
    void readAfterFailureStartsOver();
};

void tst_clsParser::items_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QStringList>("expected");

    const QString empty;
    QTest::newRow("empty input gives one empty item") << empty << QStringList{empty};
    QTest::newRow("; then a blank") << "; " << QStringList{empty, " "};
    QTest::newRow("lone ;") << ";" << QStringList{empty};
    QTest::newRow("doubled ;") << ";;" << QStringList{empty, empty};
    QTest::newRow("a;;b") << "a;;b" << QStringList{"a", empty, "b"};
    QTest::newRow("1;2") << "1;2" << QStringList{"1", "2"};
    QTest::newRow("closing ; adds nothing") << "1;2;" << QStringList{"1", "2"};
    QTest::newRow("1;2;; adds one empty item") << "1;2;;" << QStringList{"1", "2", empty};
    QTest::newRow("blanks kept in a literal") << " 3 " << QStringList{" 3 "};
    QTest::newRow("leading zeros kept in a literal") << "01;007" << QStringList{"01", "007"};
    QTest::newRow("other marks are literal") << "a+b,c.d§" << QStringList{"a+b,c.d§"};
    QTest::newRow("blanks trimmed around bounds") << " 3 - 5" << QStringList{"3", "4", "5"};
    QTest::newRow("tabs trimmed around bounds") << "\t8\t-\t9\t" << QStringList{"8", "9"};
    QTest::newRow("5-5") << "5-5" << QStringList{"5"};
    QTest::newRow("05-07 drops the zeros") << "05-07" << QStringList{"5", "6", "7"};
    QTest::newRow("leading plus") << "+9-+010" << QStringList{"9", "10"};
    QTest::newRow("5-3 descending gives nothing") << "5-3;x" << QStringList{"x"};
    QTest::newRow("only descending ranges") << "5-3;9-1" << QStringList{};
    QTest::newRow("0-2") << "0-2" << QStringList{"0", "1", "2"};
    QTest::newRow("range end 32767 ends normally")
        << "32765-32767;z" << QStringList{"32765", "32766", "32767", "z"};
    QTest::newRow("1-2-3 moves the start") << "1-2-3" << QStringList{"2", "3"};
    QTest::newRow("1-5-3 gives nothing") << "1-5-3" << QStringList{};
    QTest::newRow("range start not carried over") << "1-2;3" << QStringList{"1", "2", "3"};
    QTest::newRow("default entry")
        << "01;02;03;04;05;06;07;08;09;10-20"
        << QStringList{"01", "02", "03", "04", "05", "06", "07", "08", "09", "10",
                       "11", "12", "13", "14", "15", "16", "17", "18", "19", "20"};
    QTest::newRow("literal between ranges")
        << "8-9;a b;11-12" << QStringList{"8", "9", "a b", "11", "12"};
}

void tst_clsParser::items()
{
    QFETCH(QString, input);
    QFETCH(QStringList, expected);
    clsParser parser;
    parser.setInputText(input);
    QCOMPARE(parser.InputText(), input);
    QCOMPARE(parser.TextList(), expected);
}

void tst_clsParser::failures_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("bound");
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("why"); // the message after "... ist ungültig: "

    const int nan = ParserError::TypeMismatch;
    const int big = ParserError::Overflow;
    const QString missing = QStringLiteral("eine Bereichsgrenze fehlt.");
    const QString range = QStringLiteral(" liegt nicht zwischen -32768 und 32767.");
    const auto row = [](const char *name, const QString &input, int kind, const QString &bound,
                        const QString &item, const QString &why) {
        QTest::newRow(name) << input << kind << bound << item << why;
    };
    row("-5 empty start", "-5", nan, "", "-5", missing);
    row("5- empty end", "1;5-;7", nan, "", "5-", missing);
    row("blank-only bound", "1- ", nan, " ", "1- ", missing);
    row("1-2- trailing mark", "x;1-2-", nan, "", "1-2-", missing);
    row("--5", "--5", nan, "", "--5", missing);
    row("a-c letters", "a-c", nan, "a", "a-c", "\"a\" ist keine Zahl.");
    row("fraction", "1-2.5", nan, "2.5", "1-2.5", "\"2.5\" ist keine Zahl.");
    row("digit separator", "1-1,000", nan, "1,000", "1-1,000", "\"1,000\" ist keine Zahl.");
    row("blank inside a bound", "1 2-3", nan, "1 2", "1 2-3", "\"1 2\" ist keine Zahl.");
    row("lone plus", "+-3", nan, "+", "+-3", "\"+\" ist keine Zahl.");
    row("blanks around a bad bound", " 7 - q ", nan, " q ", " 7 - q ", "\"q\" ist keine Zahl.");
    row("first failing range stops", "1-x;1-40000", nan, "x", "1-x", "\"x\" ist keine Zahl.");
    row("1-40000", "1-40000", big, "40000", "1-40000", "\"40000\"" + range);
    row("0-32768 just past the end", "0-32768", big, "32768", "0-32768", "\"32768\"" + range);
    row("start converted first", "40000-b", big, "40000", "40000-b", "\"40000\"" + range);
    row("huge bound does not wrap", "1-99999999999999999999", big, "99999999999999999999",
        "1-99999999999999999999", "\"99999999999999999999\"" + range);
}

void tst_clsParser::failures()
{
    QFETCH(QString, input);
    QFETCH(int, kind);
    QFETCH(QString, bound);
    QFETCH(QString, item);
    QFETCH(QString, why);
    const QString message = "Der Eintrag \"" + item + "\" der Ersetzungsliste ist ungültig: " + why;
    clsParser parser;
    parser.setInputText(input);
    try {
        const QStringList list = parser.TextList();
        QFAIL(qPrintable(QStringLiteral("no failure, got %1 items").arg(list.size())));
    } catch (const ParserError &error) {
        QCOMPARE(int(error.kind()), kind);
        QCOMPARE(error.bound(), bound);
        QCOMPARE(error.item(), item);
        QCOMPARE(error.userMessage(), message);
        QCOMPARE(QString::fromUtf8(error.what()), message);
    }
}

void tst_clsParser::readsAreIndependent()
{
    clsParser parser;
    parser.setInputText(QStringLiteral("a;2-3"));
    QStringList first = parser.TextList();
    const QStringList second = parser.TextList();
    QCOMPARE(first, (QStringList{"a", "2", "3"}));
    QCOMPARE(second, first);
    first[0] = QStringLiteral("changed");
    first.append(QStringLiteral("more"));
    QCOMPARE(second, (QStringList{"a", "2", "3"}));
    QCOMPARE(parser.TextList(), (QStringList{"a", "2", "3"}));
}

void tst_clsParser::shorterSecondListReplacesTheFirst()
{
    clsParser parser;
    parser.setInputText(QStringLiteral("1-10"));
    QCOMPARE(parser.TextList().size(), 10);
    parser.setInputText(QStringLiteral("x;y"));
    QCOMPARE(parser.TextList(), (QStringList{"x", "y"}));
}

void tst_clsParser::readAfterFailureStartsOver()
{
    clsParser parser;
    parser.setInputText(QStringLiteral("a;b;c;1-x"));
    QVERIFY_THROWS_EXCEPTION(ParserError, parser.TextList());
    parser.setInputText(QStringLiteral("z"));
    QCOMPARE(parser.TextList(), QStringList{"z"});
}

VORNIX_TEST_MAIN(tst_clsParser)
#include "tst_clsParser.moc"
