#include "app/SettingsDialog.h"

#include "app/BatchSettings.h"
#include "download/RequestHeaders.h"
#include "ui/FolderDialogs.h"
#include "ui/MsgBox.h"
#include "version.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QTextDocument>
#include <QToolButton>

namespace {
QSpinBox *spinBox(QWidget *parent, const char *name, int most, int value,
                  const QString &suffix = QString(), int least = 0)
{
    auto *box = new QSpinBox(parent);
    box->setObjectName(QLatin1String(name));
    box->setRange(least, most);
    box->setValue(value);
    box->setSuffix(suffix);
    return box;
}

QLineEdit *lineEdit(QWidget *parent, const char *name, const QString &text)
{
    auto *field = new QLineEdit(text, parent);
    field->setObjectName(QLatin1String(name));
    return field;
}

QLayout *withUnit(QSpinBox *box, const QString &unit)
{
    auto *row = new QHBoxLayout;
    row->addWidget(box, 1);
    row->addWidget(new QLabel(unit, box->parentWidget()));
    return row;
}

QCheckBox *checkBox(QWidget *parent, const char *name, const QString &caption, bool checked)
{
    auto *box = new QCheckBox(caption, parent);
    box->setObjectName(QLatin1String(name));
    box->setChecked(checked);
    return box;
}
} // namespace

SettingsDialog::SettingsDialog(const BatchOptions &options, bool pad, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmSettings"));
    setWindowTitle(QStringLiteral("Einstellungen"));
    setModal(true);
    const QString ms = QStringLiteral(" ms");
    spnWiederholungen =
        spinBox(this, "spnWiederholungen", BatchOptions::kMaxRetries, options.retries);
    spnPause = spinBox(this, "spnPause", BatchOptions::kMaxPauseMs, options.pauseMs, ms);
    spnPauseZufall =
        spinBox(this, "spnPauseZufall", BatchOptions::kMaxPauseMs, options.pauseJitterMs, ms);
    chkVorhandeneUeberspringen =
        checkBox(this, "chkVorhandeneUeberspringen",
                 QStringLiteral("Vorhandene Dateien überspringen"), options.skipExisting);
    chkFehlerSammeln = checkBox(this, "chkFehlerSammeln",
                                QStringLiteral("Fehler in der Ergebnisliste sammeln statt "
                                               "einzeln melden"),
                                options.collectFailures);
    spnStopNachFehlern =
        spinBox(this, "spnStopNachFehlern", kMaxStopAfterFailures, options.stopAfterFailures);
    spnStopNachFehlern->setSpecialValueText(QStringLiteral("nie"));
    parallelDownloads = spinBox(this, "parallelDownloads", BatchOptions::kMaxParallel,
                                options.parallel, QString(), 1);
    keepParts = checkBox(this, "keepParts",
                         QStringLiteral("Abgebrochene Downloads zum Fortsetzen behalten"),
                         options.resume == BatchOptions::Resume::On);
    padRanges =
        checkBox(this, "padRanges",
                 QStringLiteral("Zahlenbereiche auf die geschriebene Breite auffüllen"), pad);

    cmdButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    // Named here, so they read the same whether Qt's German texts are installed or not.
    cmdButtons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    cmdButtons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Abbrechen"));
    connect(cmdButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(cmdButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *form = new QFormLayout(this);
    form->addRow(QStringLiteral("Wiederholungen nach Fehlern:"), spnWiederholungen);
    form->addRow(QStringLiteral("Pause zwischen Dateien:"), spnPause);
    form->addRow(QStringLiteral("Dazu zufällig bis zu:"), spnPauseZufall);
    form->addRow(chkVorhandeneUeberspringen);
    form->addRow(chkFehlerSammeln);
    form->addRow(QStringLiteral("Anhalten nach Fehlern in Folge:"), spnStopNachFehlern);
    form->addRow(QStringLiteral("Gleichzeitige Downloads:"), parallelDownloads);
    form->addRow(keepParts);
    form->addRow(padRanges);
    form->addRow(connectionGroup(LoadConnectionOptions()));
    form->addRow(cmdButtons);
    setFixedSize(sizeHint());
}

BatchOptions SettingsDialog::options() const
{
    BatchOptions options;
    options.retries = spnWiederholungen->value();
    options.pauseMs = spnPause->value();
    options.pauseJitterMs = spnPauseZufall->value();
    options.skipExisting = chkVorhandeneUeberspringen->isChecked();
    options.collectFailures = chkFehlerSammeln->isChecked();
    options.stopAfterFailures = spnStopNachFehlern->value();
    options.parallel = parallelDownloads->value();
    options.resume = keepParts->isChecked() ? BatchOptions::Resume::On : BatchOptions::Resume::Off;
    return options;
}

bool SettingsDialog::padsRanges() const
{
    return padRanges->isChecked();
}

QWidget *SettingsDialog::connectionGroup(const ConnectionOptions &connection)
{
    auto *group = new QGroupBox(QStringLiteral("Verbindung"), this);
    txtUserAgent = lineEdit(group, "txtUserAgent", connection.userAgent);
    txtUserAgent->setPlaceholderText(QStringLiteral("Vornix-Downloader/" VORNIX_VERSION_STRING));
    // A control character would end the header line early, or start another.
    txtUserAgent->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[^\\x00-\\x1f\\x7f]*")), txtUserAgent));
    txtKopfzeilen = new QPlainTextEdit(connection.headerLines, group);
    txtKopfzeilen->setObjectName(QStringLiteral("txtKopfzeilen"));
    txtKopfzeilen->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtKopfzeilen->setTabChangesFocus(true);
    txtKopfzeilen->setPlaceholderText(QStringLiteral("Name: Wert"));
    txtKopfzeilen->setFixedHeight(txtKopfzeilen->fontMetrics().lineSpacing() * 4 +
                                  2 * txtKopfzeilen->frameWidth() +
                                  int(2 * txtKopfzeilen->document()->documentMargin()));
    txtCookieDatei = lineEdit(group, "txtCookieDatei", connection.cookieFile);
    chooseCookieFile = new QToolButton(group);
    chooseCookieFile->setObjectName(QStringLiteral("chooseCookieFile"));
    chooseCookieFile->setText(QStringLiteral("…"));
    chooseCookieFile->setToolTip(QStringLiteral("Cookie-Datei wählen"));
    chooseCookieFile->setAccessibleName(chooseCookieFile->toolTip());
    connect(chooseCookieFile, &QToolButton::clicked, this, &SettingsDialog::chooseCookieFile_Click);
    auto *cookieRow = new QHBoxLayout;
    cookieRow->addWidget(txtCookieDatei);
    cookieRow->addWidget(chooseCookieFile);

    const QString unlimited = QStringLiteral("unbegrenzt");
    spnKiBProSekunde = spinBox(group, "spnKiBProSekunde", ConnectionOptions::kMaxKiBPerSecond,
                               connection.kibPerSecond);
    spnKiBProSekunde->setSpecialValueText(unlimited);
    spnKiBProSekunde->setToolTip(QStringLiteral("Für alle Downloads zusammen"));
    spnZeitlimit = spinBox(group, "spnZeitlimit", ConnectionOptions::kMaxIdleSeconds,
                           connection.idleSeconds, QStringLiteral(" s"));
    spnZeitlimit->setSpecialValueText(QStringLiteral("nie"));
    spnHoechstgroesse = spinBox(group, "spnHoechstgroesse", ConnectionOptions::kMaxFileSizeMiB,
                                connection.maxFileSizeMiB);
    spnHoechstgroesse->setSpecialValueText(unlimited);
    spnHoechstgroesse->setToolTip(QStringLiteral("Eine größere Datei gilt als fehlgeschlagen"));

    auto *form = new QFormLayout(group);
    form->addRow(QStringLiteral("Benutzerkennung (User-Agent):"), txtUserAgent);
    form->addRow(QStringLiteral("Weitere Kopfzeilen:"), txtKopfzeilen);
    form->addRow(QStringLiteral("Cookie-Datei:"), cookieRow);
    // The unit beside the box, so that two "unbegrenzt" still say which limit they are.
    form->addRow(QStringLiteral("Höchstens"), withUnit(spnKiBProSekunde, QStringLiteral("KiB/s")));
    form->addRow(QStringLiteral("Abbruch ohne Daten nach"), spnZeitlimit);
    form->addRow(QStringLiteral("Höchstens"),
                 withUnit(spnHoechstgroesse, QStringLiteral("MiB je Datei")));
    return group;
}

ConnectionOptions SettingsDialog::connectionOptions() const
{
    ConnectionOptions connection;
    connection.userAgent = txtUserAgent->text().trimmed();
    connection.headerLines = txtKopfzeilen->toPlainText();
    connection.cookieFile = txtCookieDatei->text();
    connection.kibPerSecond = spnKiBProSekunde->value();
    connection.idleSeconds = spnZeitlimit->value();
    connection.maxFileSizeMiB = spnHoechstgroesse->value();
    return connection;
}

void SettingsDialog::accept()
{
    QString error;
    RequestHeaders::parse(txtKopfzeilen->toPlainText().split(QLatin1Char('\n')), &error);
    if (!error.isEmpty()) {
        MsgBox(error, Message::Icon::Exclamation);
        txtKopfzeilen->setFocus();
        return;
    }
    SaveConnectionOptions(connectionOptions());
    QDialog::accept();
}

void SettingsDialog::chooseCookieFile_Click()
{
    const QString current = txtCookieDatei->text();
    const QString file = chooseFile(this, QStringLiteral("Cookie-Datei wählen"),
                                    current.isEmpty() ? QDir::homePath() : current);
    if (!file.isEmpty())
        txtCookieDatei->setText(QDir::toNativeSeparators(file));
}
