#include "WindowFixture.h"
#include "WindowTestMain.h"
#include "app/BatchProgress.h"
#include "app/FailureList.h"
#include "app/SettingsDialog.h"

#include <QCheckBox>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QMenu>
#include <QMenuBar>
#include <QSpinBox>
#include <QTreeWidget>

using Settings = QMap<QString, QString>;

// What a batch shows beside the status panel, and the options it runs with.
class tst_BatchWindow final : public QObject, DownloadTest
{
    Q_OBJECT

private Q_SLOTS:
    void result_data()
    {
        QTest::addColumn<Settings>("stored");
        QTest::addColumn<bool>("existing");      // f05 in the folder before the batch
        QTest::addColumn<QList<int>>("missing"); // of f01 to f20, answered with 404 at first
        QTest::addColumn<QString>("result");
        QTest::addColumn<int>("boxes");
        QTest::addColumn<QStringList>("listed"); // failed first, then skipped; none: not opened
        QTest::addColumn<QString>("retried");    // the result line after "Erneut versuchen"
        const Settings collect{{"FehlerSammeln", "1"}};
        const Settings skip{{"VorhandeneUeberspringen", "1"}};
        const QList<int> three{4, 9, 17};
        const char *threeFailed = "17 von 20 gespeichert, 3 fehlgeschlagen";
        QTest::newRow("all saved") << Settings{} << true << QList<int>{} << "20 von 20 gespeichert"
                                   << 0 << QStringList{} << "";
        QTest::newRow("three 404s, one box each")
            << Settings{} << false << three << threeFailed << 3 << QStringList{} << "";
        QTest::newRow("three 404s collected")
            << collect << false << three << threeFailed << 0 << QStringList{"/f04", "/f09", "/f17"}
            << "3 von 3 gespeichert";
        QTest::newRow("existing file skipped")
            << skip << true << QList<int>{} << "19 von 20 gespeichert, 1 übersprungen" << 0
            << QStringList{} << "";
        QTest::newRow("a 404 and a skipped file collected")
            << Settings{{"FehlerSammeln", "1"}, {"VorhandeneUeberspringen", "1"}} << true
            << QList<int>{6} << "18 von 20 gespeichert, 1 fehlgeschlagen, 1 übersprungen" << 0
            << QStringList{"/f06", "/f05"} << "1 von 1 gespeichert";
    }
    void result()
    {
        QFETCH(Settings, stored);
        QFETCH(bool, existing);
        QFETCH(QList<int>, missing);
        QFETCH(QStringList, listed);
        QFETCH(QString, retried);
        const bool skip = stored.contains("VorhandeneUeberspringen");
        QVERIFY(start(stored));
        // No bar before the first batch: the status bar looks as it always did.
        QVERIFY(!w->prgBatch->isVisible());
        QVERIFY(!existing || writeFile(dir->filePath("f05"), "old"));
        QStringList requested;
        for (int i = 1; i <= 20; ++i) {
            if (!missing.contains(i))
                server->serve(path(i), path(i).mid(1));
            if (!(existing && skip && i == 5))
                requested << QString("%1 von 20").arg(i);
        }

        QStringList shown; // by the bar while each request arrives
        download(server->url("/f§"), "01;02;03;04;05;06;07;08;09;10-20",
                 [&](const QByteArray &) { shown << w->prgBatch->text().section(" – ", 0, 0); });
        QCOMPARE(shown, requested);
        QTEST(w->prgBatch->text(), "result");
        QVERIFY(w->prgBatch->isVisible());
        QTEST(int(f->boxes.boxes.size()), "boxes");
        QCOMPARE(w->statusPanelText(1), "Download: " + server->url("/f20"));
        QCOMPARE(files().size(), 20 - missing.size());
        if (existing)
            QCOMPARE(readFile(dir->filePath("f05")), skip ? "old" : "f05");
        if (listed.isEmpty()) // nothing collected, so no list to open
            return;

        QTest::mouseClick(w->prgBatch, Qt::LeftButton);
        FailureList *list = nullptr;
        QTRY_VERIFY((list = w->findChild<FailureList *>()) && list->isVisible());
        listed.replaceInStrings("/f", server->url("/f"));
        shown.clear();
        for (int i = 0; i < list->lstDateien->topLevelItemCount(); ++i) {
            const QTreeWidgetItem *item = list->lstDateien->topLevelItem(i);
            shown << item->text(0);
            const QString reason = QString::fromUtf8(i < missing.size() ? "404" : "übersprungen");
            QVERIFY2(item->text(1).contains(reason), qPrintable(item->text(1)));
        }
        QCOMPARE(shown, listed);
        QTest::mouseClick(list->cmdKopieren, Qt::LeftButton);
        QCOMPARE(QGuiApplication::clipboard()->text(), listed.join("\r\n"));

        for (int i : missing)
            server->serve(path(i), "x");
        const qsizetype before = server->requests().size();
        QTest::mouseClick(list->cmdErneut, Qt::LeftButton);
        QTRY_COMPARE(w->prgBatch->text(), retried);
        QCOMPARE(server->requests().size() - before, missing.size());
        QCOMPARE(files().size(), 20);
    }
    void settingsDialog_data()
    {
        QTest::addColumn<Settings>("stored");
        // Retries, pause, random part, stop ("": untouched); when any, both check boxes clicked.
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QStringList>("shown"); // by the dialog opened again, check boxes as 0/1
        QTest::newRow("typed, OK") << Settings{} << QStringList{"3", "1500", "250", "4"} << true
                                   << QStringList{"3", "1500 ms", "250 ms", "1", "1", "4"};
        QTest::newRow("typed, Abbrechen")
            << Settings{{"Wiederholungen", "2"}} << QStringList{"5", "100", "", "7"} << false
            << QStringList{"2", "0 ms", "0 ms", "0", "0", "nie"};
        QTest::newRow("unusable values read as defaults")
            << Settings{{"Wiederholungen", "11"}, {"PauseMs", "viel"},
                        {"PauseZufallMs", "-5"},  {"VorhandeneUeberspringen", "ja"},
                        {"FehlerSammeln", "2"},   {"StopNachFehlern", "1e3"}}
            << QStringList{} << true << QStringList{"0", "0 ms", "0 ms", "0", "0", "nie"};
        QTest::newRow("largest values kept")
            << Settings{{"Wiederholungen", "10"},   {"PauseMs", "60000"},
                        {"PauseZufallMs", "60000"}, {"VorhandeneUeberspringen", "1"},
                        {"FehlerSammeln", "0"},     {"StopNachFehlern", "999"}}
            << QStringList{} << true << QStringList{"10", "60000 ms", "60000 ms", "1", "0", "999"};
    }
    void settingsDialog()
    {
        QFETCH(Settings, stored);
        QFETCH(QStringList, typed);
        QFETCH(bool, ok);
        QFETCH(QStringList, shown);
        QVERIFY(start(stored));
        SettingsDialog *d = openSettings();
        QVERIFY(d);
        const QList<QSpinBox *> spins{d->spnWiederholungen, d->spnPause, d->spnPauseZufall,
                                      d->spnStopNachFehlern};
        for (int i = 0; i < typed.size(); ++i)
            if (!typed[i].isEmpty())
                typeInto(spins[i], typed[i]);
        for (QCheckBox *b : {d->chkVorhandeneUeberspringen, d->chkFehlerSammeln})
            if (!typed.isEmpty()) // on the box itself, not the label
                QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(b->height() / 2, b->height() / 2));
        QTest::mouseClick(
            d->cmdButtons->button(ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel),
            Qt::LeftButton);
        QTRY_VERIFY(!QApplication::activeModalWidget());

        d = openSettings();
        QVERIFY(d);
        const QStringList reopened(
            {d->spnWiederholungen->text(), d->spnPause->text(), d->spnPauseZufall->text(),
             QString::number(d->chkVorhandeneUeberspringen->isChecked()),
             QString::number(d->chkFehlerSammeln->isChecked()), d->spnStopNachFehlern->text()});
        d->reject();
        QCOMPARE(reopened, shown);
        QCOMPARE(storedSetting("Wiederholungen"),
                 ok ? QString(shown[0]) : stored.value("Wiederholungen"));
    }

private:
    static QByteArray path(int i) { return QString("/f%1").arg(i, 2, 10, QChar('0')).toLatin1(); }
    // Chooses "Einstellungen..." under "Bearbeiten" with the mouse.
    SettingsDialog *openSettings()
    {
        QMenu *edit = w->findChild<QMenu *>("mnuEdit");
        QTest::mouseClick(w->menuBar(), Qt::LeftButton, {},
                          w->menuBar()->actionGeometry(edit->menuAction()).center());
        const QList<QAction *> items = edit->actions();
        // Below the other items, after a separator.
        if (!QTest::qWaitFor([&] { return edit->isVisible(); }) || items.size() < 2 ||
            items.last()->text() != "Ein&stellungen..." || !items[items.size() - 2]->isSeparator())
            return nullptr;
        QTest::mouseClick(edit, Qt::LeftButton, {}, edit->actionGeometry(items.last()).center());
        return QTest::qWaitFor([] { return QApplication::activeModalWidget(); })
                   ? qobject_cast<SettingsDialog *>(QApplication::activeModalWidget())
                   : nullptr;
    }
};

VORNIX_WINDOW_TEST_MAIN(tst_BatchWindow)
#include "tst_batchwindow.moc"
