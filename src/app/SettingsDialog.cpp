#include "app/SettingsDialog.h"

#include "app/BatchSettings.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>
#include <QSpinBox>

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
