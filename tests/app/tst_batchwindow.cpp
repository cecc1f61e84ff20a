#include "HttpFixtureServer.h"
#include "WindowFixture.h"
#include "WindowTestMain.h"
#include "app/BatchProgress.h"
#include "app/FailureList.h"
#include "app/SettingsDialog.h"

#include <QCheckBox>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTreeWidget>

using Settings = QMap<QString, QString>;

// What a batch shows beside the status panel, and the options it runs with.
class tst_BatchWindow final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        server = std::make_unique<HttpFixtureServer>();
        QVERIFY(server->listen());
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
    }
    void cleanup() { f.reset(), server.reset(), dir.reset(); }

    void resultLine_data()
    {
        QTest::addColumn<Settings>("stored");
        QTest::addColumn<QStringList>("existing"); // files in the folder before the batch
        QTest::addColumn<QList<int>>("missing");   // of f01 to f20, answered with 404
        QTest::addColumn<QString>("result");
        QTest::addColumn<int>("boxes");
        QTest::newRow("all saved")
            << Settings{} << QStringList{"f05"} << QList<int>{} << "20 von 20 gespeichert" << 0;
        QTest::newRow("three 404s, one box each")
            << Settings{} << QStringList{} << QList<int>{4, 9, 17}
            << "17 von 20 gespeichert, 3 fehlgeschlagen" << 3;
        QTest::newRow("three 404s collected")
            << Settings{{"FehlerSammeln", "1"}} << QStringList{} << QList<int>{4, 9, 17}
            << "17 von 20 gespeichert, 3 fehlgeschlagen" << 0;
        QTest::newRow("existing file skipped")
            << Settings{{"VorhandeneUeberspringen", "1"}} << QStringList{"f05"} << QList<int>{}
            << "19 von 20 gespeichert, 1 übersprungen" << 0;
    }
    void resultLine()
    {
        QFETCH(Settings, stored);
        QFETCH(QStringList, existing);
        QFETCH(QList<int>, missing);
        QFETCH(QString, result);
        QFETCH(int, boxes);
        for (const QString &name : existing) {
            QFile file(dir->filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write("old") == 3);
        }
        QStringList requested;
        for (int i = 1; i <= 20; ++i) {
            const QString name = QString("f%1").arg(i, 2, 10, QChar('0'));
            if (!missing.contains(i))
                server->serve("/" + name.toLatin1(), name.toLatin1());
            if (!existing.contains(name) || !stored.contains("VorhandeneUeberspringen"))
                requested << QString("%1 von 20").arg(i);
        }

        QStringList shown; // by the bar while each request arrives
        connect(server.get(), &HttpFixtureServer::requestReceived, this,
                [&] { shown << f->w.prgBatch->text().section(" – ", 0, 0); });
        QVERIFY(download(stored, "01;02;03;04;05;06;07;08;09;10-20"));
        QCOMPARE(shown, requested);
        QCOMPARE(f->w.prgBatch->text(), result);
        QVERIFY(f->w.prgBatch->isVisible());
        QCOMPARE(f->boxes.boxes.size(), boxes);
        QCOMPARE(f->w.statusPanelText(1), "Download: " + server->url("/f20"));
        QCOMPARE(QDir(dir->path()).entryList(QDir::Files).size(), 20 - missing.size());
        for (const QString &name : existing) {
            QFile file(dir->filePath(name));
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(),
                     stored.contains("VorhandeneUeberspringen") ? "old" : name.toLatin1());
        }
    }
    void settingsDialog_data()
    {
        QTest::addColumn<Settings>("stored");
        QTest::addColumn<QStringList>("typed"); // retries, pause, random part, stop; "": untouched
        QTest::addColumn<bool>("tick");         // both check boxes clicked
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QStringList>("shown"); // by the dialog opened again, check boxes as 0/1
        const QStringList shownDefaults{"0", "0 ms", "0 ms", "0", "0", "nie"};
        QTest::newRow("typed, OK") << Settings{} << QStringList{"3", "1500", "250", "4"} << true
                                   << true << QStringList{"3", "1500 ms", "250 ms", "1", "1", "4"};
        QTest::newRow("typed, Abbrechen")
            << Settings{{"Wiederholungen", "2"}} << QStringList{"5", "100", "", "7"} << true
            << false << QStringList{"2", "0 ms", "0 ms", "0", "0", "nie"};
        QTest::newRow("unusable values read as defaults")
            << Settings{{"Wiederholungen", "11"}, {"PauseMs", "viel"},
                        {"PauseZufallMs", "-5"},  {"VorhandeneUeberspringen", "ja"},
                        {"FehlerSammeln", "2"},   {"StopNachFehlern", "1e3"}}
            << QStringList{"", "", "", ""} << false << true << shownDefaults;
        QTest::newRow("largest values kept")
            << Settings{{"Wiederholungen", "10"},   {"PauseMs", "60000"},
                        {"PauseZufallMs", "60000"}, {"VorhandeneUeberspringen", "1"},
                        {"FehlerSammeln", "0"},     {"StopNachFehlern", "999"}}
            << QStringList{"", "", "", ""} << false << true
            << QStringList{"10", "60000 ms", "60000 ms", "1", "0", "999"};
    }
    void settingsDialog()
    {
        QFETCH(Settings, stored);
        QFETCH(QStringList, typed);
        QFETCH(bool, tick);
        QFETCH(bool, ok);
        QFETCH(QStringList, shown);
        f = std::make_unique<WindowFixture>(stored);
        QVERIFY(f->show());
        SettingsDialog *dialog = openSettings();
        QVERIFY(dialog);
        const QList<QSpinBox *> spins{dialog->spnWiederholungen, dialog->spnPause,
                                      dialog->spnPauseZufall, dialog->spnStopNachFehlern};
        for (int i = 0; i < spins.size(); ++i)
            if (!typed[i].isEmpty())
                typeInto(spins[i], typed[i]);
        if (tick)
            for (QCheckBox *box : {dialog->chkVorhandeneUeberspringen, dialog->chkFehlerSammeln})
                QTest::mouseClick(box, Qt::LeftButton, {},
                                  QPoint(box->height() / 2, box->height() / 2));
        QTest::mouseClick(
            dialog->cmdButtons->button(ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel),
            Qt::LeftButton);
        QTRY_VERIFY(!QApplication::activeModalWidget());

        dialog = openSettings();
        QVERIFY(dialog);
        const QStringList reopened{dialog->spnWiederholungen->text(),
                                   dialog->spnPause->text(),
                                   dialog->spnPauseZufall->text(),
                                   QString::number(dialog->chkVorhandeneUeberspringen->isChecked()),
                                   QString::number(dialog->chkFehlerSammeln->isChecked()),
                                   dialog->spnStopNachFehlern->text()};
        dialog->reject();
        QCOMPARE(reopened, shown);
        QCOMPARE(storedSetting("Wiederholungen"),
                 ok ? QString(shown[0]) : stored.value("Wiederholungen"));
    }
    void resultList_data()
    {
        QTest::addColumn<QStringList>("existing");
        QTest::addColumn<QList<int>>("missing"); // of f1 to f6, answered with 404 at first
        QTest::addColumn<QStringList>("listed"); // failed first, then skipped
        QTest::addColumn<QString>("retried");    // the result line after "Erneut versuchen"
        QTest::newRow("three 404s") << QStringList{} << QList<int>{2, 4, 5}
                                    << QStringList{"/f2", "/f4", "/f5"} << "3 von 3 gespeichert";
        QTest::newRow("a 404 and a skipped file")
            << QStringList{"f3"} << QList<int>{6} << QStringList{"/f6", "/f3"}
            << "1 von 1 gespeichert";
    }
    void resultList()
    {
        QFETCH(QStringList, existing);
        QFETCH(QList<int>, missing);
        QFETCH(QStringList, listed);
        QFETCH(QString, retried);
        for (const QString &name : existing) {
            QFile file(dir->filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        for (int i = 1; i <= 6; ++i)
            if (!missing.contains(i))
                server->serve("/f" + QByteArray::number(i), "x");
        QVERIFY(download({{"FehlerSammeln", "1"}, {"VorhandeneUeberspringen", "1"}}, "1-6"));
        QVERIFY(f->boxes.boxes.isEmpty());

        QTest::mouseClick(f->w.prgBatch, Qt::LeftButton);
        FailureList *list = nullptr;
        QTRY_VERIFY((list = f->w.findChild<FailureList *>()) && list->isVisible());
        QStringList urls;
        for (QString &path : listed)
            urls << server->url(path);
        QStringList shown;
        for (int i = 0; i < list->lstDateien->topLevelItemCount(); ++i) {
            const QTreeWidgetItem *item = list->lstDateien->topLevelItem(i);
            shown << item->text(0);
            const QString reason = QString::fromUtf8(i < missing.size() ? "404" : "übersprungen");
            QVERIFY2(item->text(1).contains(reason), qPrintable(item->text(1)));
        }
        QCOMPARE(shown, urls);
        QTest::mouseClick(list->cmdKopieren, Qt::LeftButton);
        QCOMPARE(QGuiApplication::clipboard()->text(), urls.join("\r\n"));

        for (int i : missing)
            server->serve("/f" + QByteArray::number(i), "x");
        const qsizetype before = server->requests().size();
        QTest::mouseClick(list->cmdErneut, Qt::LeftButton);
        QTRY_COMPARE(f->w.prgBatch->text(), retried);
        QCOMPARE(server->requests().size() - before, missing.size());
        QCOMPARE(QDir(dir->path()).entryList(QDir::Files).size(), 6);
    }

private:
    // Chooses "Einstellungen..." under "Bearbeiten" with the mouse.
    SettingsDialog *openSettings()
    {
        QMenuBar *bar = f->w.menuBar();
        QMenu *edit = f->w.findChild<QMenu *>("mnuEdit");
        QTest::mouseClick(bar, Qt::LeftButton, {},
                          bar->actionGeometry(edit->menuAction()).center());
        if (!QTest::qWaitFor([&] { return edit->isVisible(); }))
            return nullptr;
        const QList<QAction *> items = edit->actions();
        // Below the other items, after a separator.
        if (items.size() < 2 || items.last()->text() != "Ein&stellungen..." ||
            !items[items.size() - 2]->isSeparator())
            return nullptr;
        QTest::mouseClick(edit, Qt::LeftButton, {}, edit->actionGeometry(items.last()).center());
        if (!QTest::qWaitFor([] { return QApplication::activeModalWidget(); }))
            return nullptr;
        return qobject_cast<SettingsDialog *>(QApplication::activeModalWidget());
    }
    // Shows the window with these settings, types the list and clicks "Download".
    bool download(Settings stored, const QString &list)
    {
        stored.insert("SpeicherOrt", dir->path());
        f = std::make_unique<WindowFixture>(stored);
        // No bar before the first batch: the status bar looks as it always did.
        if (!f->show() || f->w.prgBatch->isVisible())
            return false;
        typeInto(f->w.txtURL, server->url("/f§"));
        typeInto(f->w.cboErsatzText, list);
        QTest::mouseClick(f->w.cmdDownload, Qt::LeftButton);
        return true;
    }

    std::unique_ptr<HttpFixtureServer> server;
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<WindowFixture> f;
};

VORNIX_WINDOW_TEST_MAIN(tst_BatchWindow)
#include "tst_batchwindow.moc"
