#pragma once

#include "download/BatchOptions.h"

#include <QDialog>

class QCheckBox;
class QDialogButtonBox;
class QSpinBox;

// "Einstellungen": how a download batch treats its list. Shows the options it
// is given; options() holds what the fields show now.
class SettingsDialog final : public QDialog
{
    Q_OBJECT
public:
    SettingsDialog(const BatchOptions &options, bool padRanges, QWidget *parent = nullptr);

    BatchOptions options() const;
    bool padsRanges() const;

    QSpinBox *spnWiederholungen = nullptr;
    QSpinBox *spnPause = nullptr;
    QSpinBox *spnPauseZufall = nullptr;
    QCheckBox *chkVorhandeneUeberspringen = nullptr;
    QCheckBox *chkFehlerSammeln = nullptr;
    QSpinBox *spnStopNachFehlern = nullptr;
    QSpinBox *parallelDownloads = nullptr;
    QCheckBox *keepParts = nullptr;
    QCheckBox *padRanges = nullptr;
    QDialogButtonBox *cmdButtons = nullptr;
};
