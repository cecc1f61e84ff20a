#include "WindowTestMain.h"
#include "app/EditCommands.h"

#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

using Command = void (*)();
Q_DECLARE_METATYPE(Command)

// All text fields hold the same text and selection; only the focused one may change.
class tst_EditCommands final : public QObject
{
    Q_OBJECT
    QWidget m_window;
    QLineEdit *txtURL = new QLineEdit(&m_window);
    QComboBox *cboErsatzText = new QComboBox(&m_window);
    QPlainTextEdit *txtVorschau = new QPlainTextEdit(&m_window);
    QPushButton *button = new QPushButton("OK", &m_window);
    QRadioButton *option = new QRadioButton("Direkt", &m_window);

private Q_SLOTS:
    void initTestCase()
    {
        cboErsatzText->setEditable(true);
        txtVorschau->setReadOnly(true);
        m_window.show();
    }
    void commands_data()
    {
        QTest::addColumn<Command>("command");
        QTest::addColumn<QWidget *>("field");
        QTest::addColumn<int>("length");        // of the selection from the fourth character on
        QTest::addColumn<QString>("clipboard"); // null: empty
        QTest::addColumn<QString>("clipboardAfter");
        QTest::addColumn<QString>("textAfter"); // of the field, or of txtURL for the others
        auto row = [](const char *tag, Command run, QWidget *field, int length, QString clip,
                      QString clipAfter, QString textAfter) {
            QTest::newRow(tag) << run << field << length << clip << clipAfter << textAfter;
        };
        const QString text = "01;§2;03";
        row("copy", EditCopy, txtURL, 2, "alt", "§2", text);
        row("cut in txtURL", EditCut, txtURL, 2, "alt", "§2", "01;;03");
        row("copy without a selection", EditCopy, cboErsatzText, 0, "alt", "alt", text);
        row("cut without a selection", EditCut, txtURL, 0, "alt", "alt", text);
        row("copy on a button", EditCopy, button, 2, "alt", "alt", text);
        row("cut on an option", EditCut, option, 2, "alt", "alt", text);
        row("copy lines from the preview", EditCopy, txtVorschau, 5, "alt", "§2\n03", "01\n§2\n03");
        row("paste replaces the selection", EditPaste, cboErsatzText, 2, "0-9", "0-9", "01;0-9;03");
        row("empty clipboard deletes", EditPaste, cboErsatzText, 2, QString(), "", "01;;03");
        row("paste into the read-only preview", EditPaste, txtVorschau, 2, "x", "x", "01\n§2\n03");
        const Command lowerCut = [] { ToolbarButtonClick("cut"); };
        const Command copyBlank = [] { ToolbarButtonClick("Copy "); };
        row("toolbar keys match case", lowerCut, txtURL, 2, "alt", "alt", text);
        row("toolbar keys match blanks", copyBlank, txtURL, 2, "alt", "alt", text);
    }
    void commands()
    {
        QFETCH(QWidget *, field);
        QFETCH(int, length);
        QFETCH(QString, clipboard);
        clipboard.isNull() ? QGuiApplication::clipboard()->clear()
                           : QGuiApplication::clipboard()->setText(clipboard);
        txtURL->setText("01;§2;03");
        txtURL->setSelection(3, length);
        cboErsatzText->setEditText(txtURL->text());
        cboErsatzText->lineEdit()->setSelection(3, length);
        txtVorschau->setPlainText("01\n§2\n03");
        QTextCursor cursor(txtVorschau->document());
        cursor.setPosition(3);
        cursor.setPosition(3 + length, QTextCursor::KeepAnchor);
        txtVorschau->setTextCursor(cursor);
        field->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), field);
        QFETCH(Command, command);
        command();
        QTEST(QGuiApplication::clipboard()->text(), "clipboardAfter");
        QTEST(field == txtVorschau     ? txtVorschau->toPlainText()
              : field == cboErsatzText ? cboErsatzText->currentText()
                                       : txtURL->text(),
              "textAfter");
    }
};

VORNIX_WINDOW_TEST_MAIN(tst_EditCommands)
#include "tst_editcommands.moc"
