#include "TestMain.h"
#include "app/EditCommands.h"
#include "app/MsgBox.h"

#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

class tst_EditCommands : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void commands_data();
    void commands();
    void helpWithoutHelpFile_data();
    void helpWithoutHelpFile();

private:
    // Puts text into the named field, selects in it and gives it the focus.
    QWidget *prepare(const QString &name, const QString &text, int start, int length);
    QWidget m_window;
    QLineEdit *txtURL = new QLineEdit(&m_window);
    QComboBox *cboErsatzText = new QComboBox(&m_window);
    QPlainTextEdit *txtVorschau = new QPlainTextEdit(&m_window);
};

void tst_EditCommands::initTestCase()
{
    auto *layout = new QVBoxLayout(&m_window);
    cboErsatzText->setEditable(true);
    txtVorschau->setReadOnly(true);
    const QList<QWidget *> fields{txtURL, cboErsatzText, txtVorschau,
                                  new QPushButton(u"Download"_s, &m_window),
                                  new QRadioButton(u"Direkt"_s, &m_window)};
    const QStringList names{u"txtURL"_s, u"cboErsatzText"_s, u"txtVorschau"_s, u"button"_s,
                            u"option"_s};
    for (int i = 0; i < fields.size(); ++i) {
        fields[i]->setObjectName(names[i]);
        layout->addWidget(fields[i]);
    }
    m_window.show();
    m_window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&m_window));
}

QWidget *tst_EditCommands::prepare(const QString &name, const QString &text, int start, int length)
{
    txtURL->setText(text);
    txtURL->setSelection(start, length);
    cboErsatzText->setEditText(text);
    cboErsatzText->lineEdit()->setSelection(start, length);
    txtVorschau->setPlainText(text);
    QTextCursor cursor = txtVorschau->textCursor();
    cursor.setPosition(start);
    cursor.setPosition(start + length, QTextCursor::KeepAnchor);
    txtVorschau->setTextCursor(cursor);
    QWidget *field = m_window.findChild<QWidget *>(name);
    if (field)
        field->setFocus();
    return field;
}

void tst_EditCommands::commands_data()
{
    QTest::addColumn<QString>("command"); // "Edit..." runs a menu command, others the toolbar
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("clipboard"); // before; null: empty
    QTest::addColumn<QString>("clipboardAfter");
    QTest::addColumn<QString>("textAfter");

    struct Row
    {
        const char *tag, *command, *field, *text;
        int start, length;
        const char *clipboard, *clipboardAfter, *textAfter;
    };
    const char *url = "http://host/bild§.jpg", *list = "01;02;03", *lines = "a\nb\nc";
    const Row rows[] = {
        {"copy in txtURL", "EditCopy", "txtURL", url, 12, 5, "alt", "bild§", url},
        {"cut in txtURL", "EditCut", "txtURL", url, 12, 5, "alt", "bild§", "http://host/.jpg"},
        {"toolbar Cut", "Cut", "txtURL", url, 0, 7, "alt", "http://", "host/bild§.jpg"},
        {"toolbar Copy in the combo", "Copy", "cboErsatzText", list, 3, 2, "alt", "02", list},
        {"copy without a selection", "EditCopy", "txtURL", url, 4, 0, "alt", "alt", url},
        {"cut without a selection", "EditCut", "cboErsatzText", url, 4, 0, "alt", "alt", url},
        {"copy on a button", "EditCopy", "button", url, 0, 4, "alt", "alt", url},
        {"cut on an option", "EditCut", "option", url, 0, 4, "alt", "alt", url},
        {"copy lines from the preview", "EditCopy", "txtVorschau", lines, 0, 5, "", lines, lines},
        {"cut in the read-only preview", "EditCut", "txtVorschau", list, 3, 2, "", "02", list},
        {"paste replaces the selection", "EditPaste", "cboErsatzText", list, 3, 2, "05-09", "05-09",
         "01;05-09;03"},
        {"empty clipboard deletes", "EditPaste", "cboErsatzText", list, 3, 2, nullptr, "",
         "01;;03"},
        {"toolbar Paste at the caret", "Paste", "txtURL", list, 2, 0, "§", "§", "01§;02;03"},
        {"paste into the read-only preview", "EditPaste", "txtVorschau", list, 0, 2, "x", "x",
         list},
        {"toolbar New does nothing", "New", "txtURL", list, 0, 2, "alt", "alt", list},
        {"toolbar keys are case-sensitive", "cut", "txtURL", list, 0, 2, "alt", "alt", list},
        {"toolbar key with a blank", "Copy ", "txtURL", list, 0, 2, "alt", "alt", list},
        {"unknown toolbar key", "Neu", "txtURL", list, 0, 2, "alt", "alt", list},
    };
    for (const Row &r : rows)
        QTest::newRow(r.tag) << QString::fromUtf8(r.command) << QString::fromUtf8(r.field)
                             << QString::fromUtf8(r.text) << r.start << r.length
                             << (r.clipboard ? QString::fromUtf8(r.clipboard) : QString())
                             << QString::fromUtf8(r.clipboardAfter)
                             << QString::fromUtf8(r.textAfter);
}

void tst_EditCommands::commands()
{
    QFETCH(QString, command);
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(int, start);
    QFETCH(int, length);
    QFETCH(QString, clipboard);
    if (clipboard.isNull())
        QGuiApplication::clipboard()->clear();
    else
        QGuiApplication::clipboard()->setText(clipboard);
    QWidget *widget = prepare(field, text, start, length);
    QTRY_COMPARE(QApplication::focusWidget(), widget);
    if (command == u"EditCopy")
        EditCopy();
    else if (command == u"EditCut")
        EditCut();
    else if (command == u"EditPaste")
        EditPaste();
    else
        ToolbarButtonClick(command);
    QTEST(QGuiApplication::clipboard()->text(), "clipboardAfter");
    QTEST(field == u"txtVorschau"     ? txtVorschau->toPlainText()
          : field == u"cboErsatzText" ? cboErsatzText->currentText()
                                      : txtURL->text(),
          "textAfter");
}

void tst_EditCommands::helpWithoutHelpFile_data()
{
    QTest::addColumn<int>("command");
    QTest::newRow("contents") << helpContents;
    QTest::newRow("search") << helpPartialKey;
}

void tst_EditCommands::helpWithoutHelpFile()
{
    QFETCH(int, command);
    QList<MsgBoxRequest> boxes;
    const auto old = setMsgBoxHandler([&](const MsgBoxRequest &r) { boxes << r; });
    const auto restore = qScopeGuard([&] { setMsgBoxHandler(old); });
    m_window.setWindowTitle(u"Vornix-Downloader 0.2 BETA1 - geändert"_s);
    ShowHelp(&m_window, command);
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes[0].text, u"Keine Hilfe verfügbar."_s);
    QCOMPARE(boxes[0].style, vbInformation);
    QCOMPARE(buildMsgBox(boxes[0], nullptr)->windowTitle(), m_window.windowTitle());
}

VORNIX_TEST_MAIN(tst_EditCommands)
#include "tst_editcommands.moc"
