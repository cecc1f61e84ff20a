#pragma once

#include "app/BatchSettings.h"
#include "download/BatchOptions.h"

#include <QDialog>

class QCheckBox;
class QDialogButtonBox;
class QLineEdit;
class QPlainTextEdit;
class QSpinBox;
class QToolButton;

// "Einstellungen": how a download batch treats its list and how it connects.
// Shows the batch options it is given; options() holds what the fields show
// now. The "Verbindung" group reads the stored connection options itself and,
// on OK, checks the header lines and saves them; a refused line keeps the
// dialog open with nothing saved.
class SettingsDialog final : public QDialog
{
    Q_OBJECT
public:
    SettingsDialog(const BatchOptions &options, bool padRanges, QWidget *parent = nullptr);

    BatchOptions options() const;
    bool padsRanges() const;
    ConnectionOptions connectionOptions() const;

    void accept() override;

    QSpinBox *spnWiederholungen = nullptr;
    QSpinBox *spnPause = nullptr;
    QSpinBox *spnPauseZufall = nullptr;
    QCheckBox *chkVorhandeneUeberspringen = nullptr;
    QCheckBox *chkFehlerSammeln = nullptr;
    QSpinBox *spnStopNachFehlern = nullptr;
    QSpinBox *parallelDownloads = nullptr;
    QCheckBox *keepParts = nullptr;
    QCheckBox *padRanges = nullptr;
    QLineEdit *txtUserAgent = nullptr;
    QPlainTextEdit *txtKopfzeilen = nullptr;
    QLineEdit *txtCookieDatei = nullptr;
    QToolButton *chooseCookieFile = nullptr; // "…" beside txtCookieDatei
    QSpinBox *spnKiBProSekunde = nullptr;
    QSpinBox *spnZeitlimit = nullptr;
    QSpinBox *spnHoechstgroesse = nullptr;
    QDialogButtonBox *cmdButtons = nullptr;

private:
    QWidget *connectionGroup(const ConnectionOptions &connection);
    void chooseCookieFile_Click();
};
