#include "WindowFixture.h"
#include "WindowTestMain.h"
#include "app/Module1.h"
#include "ui/LoadedForms.h"
#include "ui/MousePointer.h"

#include <QClipboard>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTranslator>

namespace {
// A label or option shows one line of text from the left, centred in its box;
// the rest of the box is empty and may reach under a neighbour.
QRect visiblePart(const QWidget *c)
{
    if (!qobject_cast<const QLabel *>(c) && !qobject_cast<const QRadioButton *>(c))
        return c->geometry();
    const int line = c->fontMetrics().height();
    return QRect(c->x(), c->y() + (c->height() - line) / 2, qMin(c->width(), c->sizeHint().width()),
                 line);
}
} // namespace

class tst_frmMain final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void betaWarning_data()
    {
        QTest::addColumn<QString>("marker"); // null: not stored at all
        QTest::addColumn<bool>("warned");
        QTest::newRow("first run") << QString() << true;
        QTest::newRow("OK") << "OK" << false;
        QTest::newRow("ok") << "ok" << true;
        QTest::newRow("other") << "OK " << true;
    }
    void betaWarning()
    {
        QFETCH(QString, marker);
        QFETCH(bool, warned);
        WindowFixture f({{"BETA-0.2-BETA1", marker}});
        bool visibleDuringWarning = false;
        setMsgBoxHandler([&](const MsgBoxRequest &r) {
            f.boxes.boxes.append(r);
            visibleDuringWarning = f.w.isVisible();
        });
        f.w.show();
        QCOMPARE(f.boxes.boxes.size(), warned ? 1 : 0);
        if (warned) {
            QCOMPARE(f.boxes.boxes[0].text,
                     "Achtung: BETA-Version! Diese Software hat mit Sicherheit noch "
                     "diverse (auch gröbere) Fehler.");
            QCOMPARE(f.boxes.boxes[0].icon, Message::Icon::None);
            QVERIFY(f.boxes.boxes[0].title.isEmpty() && !visibleDuringWarning);
        }
        // The "OK" row shows that this marker silences every later start.
        QCOMPARE(storedSetting("BETA-0.2-BETA1"), "OK");
    }
    void startAndClose_data()
    {
        QTest::addColumn<QStringList>("stored"); // MainLeft, MainTop, SpeicherOrt; null: absent
        QTest::addColumn<QPoint>("shownAt");
        QTest::addColumn<QPoint>("moveTo"); // null: left where it was shown
        QTest::addColumn<bool>("minimise");
        QTest::addColumn<QStringList>("saved"); // MainLeft, MainTop
        const auto row = [](const char *tag, const QStringList &stored, QPoint shownAt,
                            QPoint moveTo, const QStringList &saved, bool minimise = false) {
            QTest::newRow(tag) << stored << shownAt << moveTo << minimise << saved;
        };
        const QPoint stay, away(200, 120), start(67, 67);
        const QStringList moved{"3000", "1800"}, unmoved{"1000", "1000"};
        row("first run", {}, start, away, moved);
        row("first run, not moved", {}, start, stay, unmoved);
        row("second run", {"1500", "750", "/tmp/Bilder"}, {100, 50}, away, moved);
        row("no whole pixel, not moved", {"1234", "1234"}, {82, 82}, stay, {"1234", "1234"});
        row("no whole pixel, moved down", {"1234", "1234"}, {82, 82}, {82, 120}, {"1234", "1800"});
        row("empty folder", {QString(), QString(), ""}, start, away, moved);
        row("minimised close", {"1500", "2250"}, {100, 150}, away, {"1500", "2250"}, true);
        row("not a number", {"links", "oben"}, start, stay, unmoved);
        row("not finite", {"nan", "-inf"}, start, stay, unmoved);
        row("beyond any screen coordinate", {"1e30", "32212250000"}, start, stay, unmoved);
        row("off every screen", {"9000000", "-900000"}, start, away, moved);
    }
    void startAndClose()
    {
        QFETCH(QStringList, stored);
        QFETCH(QPoint, shownAt);
        QFETCH(QPoint, moveTo);
        QFETCH(bool, minimise);
        QFETCH(QStringList, saved);
        const QStringList keys{"MainLeft", "MainTop", "SpeicherOrt"};
        QMap<QString, QString> settings;
        for (int i = 0; i < stored.size(); ++i)
            settings.insert(keys[i], stored[i]);
        WindowFixture f(settings);
        f.w.show();
        QCOMPARE(f.w.pos(), shownAt);
        QCOMPARE(
            f.w.txtSpeicherOrt->text(),
            stored.value(2, QStandardPaths::writableLocation(QStandardPaths::DownloadLocation)));
        QCOMPARE(f.w.cboErsatzText->count(), 1); // its text: refresh(offered entry)

        if (!moveTo.isNull())
            f.w.move(moveTo);
        typeInto(f.w.txtSpeicherOrt, "/srv/x");
        if (minimise)
            f.w.setWindowState(Qt::WindowMinimized);
        f.w.close();
        QCOMPARE(
            (QStringList{storedSetting(keys[0]), storedSetting(keys[1]), storedSetting(keys[2])}),
            saved + QStringList{"/srv/x"});
    }
    void controls_data()
    {
        QTest::addColumn<QString>("text"); // caption, title or the text it opens with
        QTest::addColumn<bool>("enabled");
        // clang-format off
        const struct { const char *name, *text; bool enabled = true; } rows[] = {
            {"fraDateiliste", "Dateiliste erzeugen"}, {"lblURL", "URL:"},
            {"txtURL", "http://www.example.com/images/image§.jpg"}, {"lblErsetze", "Ersetze"},
            {"txtPlatzhalter", "§"}, {"lblMit", "mit"}, {"cboErsatzText", ""},
            {"lblVorschau", "Vorschau:"}, {"txtVorschau", ""}, {"cmdVorschauAktualisieren", "refresh"},
            {"fraDownload", "Download"}, {"lblProxy", "Proxy:"}, {"optProxy0", "Standard"},
            {"optProxy1", "Direktverbindung"}, {"optProxy2", "Benutzerdefiniert"},
            {"txtProxy", "proxy:port", false}, {"lblSpeicherort", "Speicherort:"},
            {"txtSpeicherOrt", ""}, {"lblDateiPrefix", "Datei-Prefix:"}, {"txtDateiprefix", ""},
            {"lblReferer", "Referer-URL:"}, {"txtReferer", "http://www.example.com/"},
            {"cmdDownload", "Download"}, {"cmdAbbruch", "Abbruch", false},
        };
        // clang-format on
        for (const auto &r : rows)
            QTest::newRow(r.name) << QString::fromUtf8(r.text) << r.enabled;
    }
    void controls()
    {
        QFETCH(QString, text);
        WindowFixture f({{"SpeicherOrt", ""}}); // the designed, empty text
        f.w.show();
        auto *c = f.w.findChild<QWidget *>(QString::fromUtf8(QTest::currentDataTag()));
        QVERIFY(c);
        const char *textProperty = qobject_cast<QGroupBox *>(c)        ? "title"
                                   : qobject_cast<QComboBox *>(c)      ? "currentText"
                                   : qobject_cast<QPlainTextEdit *>(c) ? "plainText"
                                                                       : "text";
        QCOMPARE(c->property(textProperty).toString(), text);
        QTEST(c->isEnabled(), "enabled");
    }
    void windowAndLayout()
    {
        WindowFixture f;
        f.w.show();
        QCOMPARE(f.w.windowTitle(), "Vornix-Downloader 0.2 BETA1");
        QCOMPARE(f.w.minimumSize(), f.w.maximumSize());
        QVERIFY(f.w.windowFlags() & Qt::WindowMinimizeButtonHint);
        QVERIFY(!(f.w.windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(QSize(f.w.width(), f.w.height() - f.w.menuBar()->height()), QSize(473, 432));
        QVERIFY(!f.w.windowIcon().isNull());
        QCOMPARE(f.w.statusPanelText(1), "Vornix-Downloader by Vornix Team.");

        QVERIFY(QRect(QPoint(), f.w.size()).contains(f.w.centralWidget()->geometry()));
        for (const QWidget *frame :
             QList<QWidget *>{f.w.centralWidget(), f.w.fraDateiliste, f.w.fraDownload}) {
            const QList<QWidget *> inside =
                frame->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
            for (const QWidget *c : inside) {
                const QByteArray name = c->objectName().toUtf8();
                QVERIFY2(frame->rect().contains(c->geometry()), name);
                for (const QWidget *other : inside)
                    QVERIFY2(c == other || !visiblePart(c).intersects(visiblePart(other)),
                             QByteArray(name + " overlaps " + other->objectName().toUtf8()));
                if (auto *label = qobject_cast<const QLabel *>(c))
                    QVERIFY2(label->sizeHint().width() <= label->width(), name);
                if (auto *box = qobject_cast<const QGroupBox *>(c))
                    QVERIFY2(box->fontMetrics().horizontalAdvance(box->title()) < box->width(),
                             name);
            }
        }
    }
    // Escape pressing "Abbruch": tst_DownloadWindow::downloadAndCancel(Escape).
    void tabOrder()
    {
        WindowFixture f;
        QVERIFY(f.show());
        QStringList chain{QApplication::focusWidget()->objectName()};
        for (int i = 0; i < 20 && chain.size() == i + 1; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            if (QApplication::focusWidget() != f.w.txtVorschau)
                chain << QApplication::focusWidget()->objectName();
        }
        // Tab enters the options at the chosen one; "Abbruch" and txtProxy start disabled.
        QCOMPARE(chain, (QStringList{"txtVorschau", "cmdDownload", "optProxy0",
                                     "cmdVorschauAktualisieren", "txtPlatzhalter", "cboErsatzText",
                                     "txtURL", "txtDateiprefix", "txtSpeicherOrt", "txtReferer"}));
    }
    void closingUnloadsOtherWindowsFirst()
    {
        WindowFixture f({{"MainLeft", "4500"}});
        f.w.show();
        f.w.move(20, 20);
        QWidget second;
        second.show();
        registerLoadedForm(&second);
        const auto unregister = qScopeGuard([&] { unregisterLoadedForm(&second); });

        // What the store held when the second window went: the old position.
        struct CloseWatcher : QObject
        {
            QString seen;
            bool eventFilter(QObject *, QEvent *e) override
            {
                if (e->type() == QEvent::Close)
                    seen = storedSetting("MainLeft");
                return false;
            }
        } watcher;
        second.installEventFilter(&watcher);
        f.w.close();
        QVERIFY(!second.isVisible());
        QCOMPARE(watcher.seen, "4500");
        QCOMPARE(storedSetting("MainLeft"), "300");
    }
    void statusPanelShowsTheNewestText()
    {
        WindowFixture f;
        f.w.show();
        auto *shown = f.w.findChild<QLabel *>("sbStatusBarPanel1");
        for (int i = 1; i <= 50; ++i)
            f.w.setStatusPanelText(1, QString("Download: %1").arg(i));
        QCOMPARE(f.w.statusPanelText(1), "Download: 50"); // the text itself is never late
        QCOMPARE(shown->text(), "Download: 1");           // the screen catches up shortly
        QTRY_COMPARE(shown->text(), "Download: 50");
    }
    void typedText_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<bool>("german");      // with Qt's German catalogue loaded as at start-up
        QTest::addColumn<QStringList>("menu"); // the context menu's items
        const QStringList english{"Cu&t", "&Copy", "&Paste", "Delete", "Select All"};
        QTest::newRow("txtURL") << "txtURL" << false << english;
        QTest::newRow("cboErsatzText") << "cboErsatzText" << false << english;
        QTest::newRow("txtURL in German")
            << "txtURL" << true
            << QStringList{"&Ausschneiden", "&Kopieren", "Einf&ügen", "Löschen", "Alles auswählen"};
    }
    void typedText()
    {
        QFETCH(QString, field);
        QFETCH(bool, german);
        std::unique_ptr<QTranslator> qtTexts;
        if (german) {
            if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) +
                               "/qtbase_de.qm"))
                QSKIP("Qt's German catalogue is not installed (Debian: qt6-translations-l10n)");
            qtTexts.reset(installGermanQtTexts(*qApp));
            QVERIFY(qtTexts);
        }
        WindowFixture f;
        QVERIFY(f.show());
        auto *edit = f.w.findChild<QWidget *>(field);
        typeInto(edit, "1-3");
        QTest::keyClicks(edit, ";7");
        // "Rückgängig" is disabled: no key takes anything back, so there is nothing to redo.
        for (const QKeySequence &key :
             {QKeySequence(QKeySequence::Undo), QKeySequence(QKeySequence::Redo),
              QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y),
              QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)}) {
            QTest::keySequence(edit, key);
            QCOMPARE(fieldText(edit), "1-3;7");
        }
        QCOMPARE(f.w.mnuEditUndo->text(), "&Rückgängig");
        QVERIFY(!f.w.mnuEditUndo->isEnabled());

        // Through the window, which turns the right click into a context-menu request.
        QTest::mouseClick(f.w.windowHandle(), Qt::RightButton, {},
                          edit->mapTo(&f.w, edit->rect().center()));
        QMenu *menu = nullptr;
        QTRY_VERIFY((menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())));
        QStringList items;
        for (const QAction *a : menu->actions())
            if (!a->isSeparator())
                items << a->text().section('\t', 0, 0); // without the shortcut
        menu->close();
        QTEST(items, "menu");
    }

    void longTextsStayWhole_data()
    {
        QTest::addColumn<QString>("field");
        for (const char *name : {"txtURL", "txtPlatzhalter", "cboErsatzText", "txtProxy",
                                 "txtSpeicherOrt", "txtDateiprefix", "txtReferer"})
            QTest::newRow(name) << name;
    }
    void longTextsStayWhole()
    {
        QFETCH(QString, field);
        const QString folder = "/srv/" + QString(40000, 'o');
        WindowFixture f({{"SpeicherOrt", folder}});
        QVERIFY(f.show());
        QCOMPARE(f.w.txtSpeicherOrt->text().size(), folder.size());

        QString list; // 49,999 characters
        for (int n = 10000; list.size() < 49999; ++n)
            list += QString::number(n) + ';';
        list.chop(list.size() - 49999);
        QApplication::clipboard()->setText(list);
        QTest::mouseClick(f.w.optProxy[2], Qt::LeftButton); // lets txtProxy take text
        auto *edit = f.w.findChild<QWidget *>(field);
        QTest::mouseClick(edit, Qt::LeftButton);
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
        QTest::keyClicks(edit, "x");
        QVERIFY(fieldText(edit) == list + "x"); // QCOMPARE would print 50,000 characters

        const QString shownFolder = f.w.txtSpeicherOrt->text();
        f.w.close();
        QVERIFY(storedSetting("SpeicherOrt") == shownFolder);
    }
    // The "refresh" button as a user presses it.
    void refresh_data()
    {
        QTest::addColumn<QStringList>("lists"); // typed over and refreshed one after the other
        QTest::addColumn<QStringList>("urls");  // in list and preview at the end
        QTest::addColumn<QString>("box");       // what the message box names, if one shows
        QStringList twenty;
        for (int n = 1; n <= 20; ++n)
            twenty << QString("u%1").arg(n, 2, 10, QLatin1Char('0'));
        // null: the offered entry, picked from the list
        QTest::newRow("offered entry") << QStringList{QString()} << twenty << QString();
        QTest::newRow("shorter list")
            << QStringList{"1-5", "x;y"} << QStringList{"ux", "uy"} << QString();
        QTest::newRow("only descending")
            << QStringList{"1-3", "5-3;9-1"} << QStringList{} << QString();
        QTest::newRow("failure") << QStringList{"1-2", "7;1-40000"} << QStringList{"u1", "u2"}
                                 << "\"1-40000\"";
        // The start of the offered entry, typed, is not completed to the whole entry.
        QTest::newRow("typed 01;02;03")
            << QStringList{"01;02;03"} << QStringList{"u01", "u02", "u03"} << QString();
        QTest::newRow("typed 0") << QStringList{"0"} << QStringList{"u0"} << QString();
        QTest::newRow("typed 01") << QStringList{"01"} << QStringList{"u01"} << QString();
    }
    void refresh()
    {
        QFETCH(QStringList, lists);
        QFETCH(QStringList, urls);
        QFETCH(QString, box);
        WindowFixture f;
        QVERIFY(f.show());
        typeInto(f.w.txtURL, "u§");
        for (const QString &list : lists) {
            if (list.isNull())
                f.w.cboErsatzText->setCurrentIndex(0);
            else
                typeInto(f.w.cboErsatzText, list);
            QTest::mouseClick(f.w.cmdVorschauAktualisieren, Qt::LeftButton);
        }
        QCOMPARE(f.w.Dateiliste, urls);
        // Every URL ends with a line break, so the preview splits into them and one empty tail.
        QCOMPARE(f.w.txtVorschau->toPlainText().split('\n'), urls + QStringList{QString()});
        QCOMPARE(windowMousePointer(&f.w), Pointer::Default);
        QCOMPARE(f.boxes.boxes.size(), box.isEmpty() ? 0 : 1);
        QVERIFY(box.isEmpty() || f.boxes.boxes[0].text.contains(box));
    }
};

VORNIX_WINDOW_TEST_MAIN(tst_frmMain)
#include "tst_frmmain.moc"
