#include "app/BatchSettings.h"

#include "download/Message.h"
#include "ui/Settings.h"

namespace {
const QString kSection = QStringLiteral("Settings");
const QString kRetries = QStringLiteral("Wiederholungen");
const QString kPause = QStringLiteral("PauseMs");
const QString kJitter = QStringLiteral("PauseZufallMs");
const QString kSkip = QStringLiteral("VorhandeneUeberspringen");
const QString kCollect = QStringLiteral("FehlerSammeln");
const QString kStopAfter = QStringLiteral("StopNachFehlern");
const QString kParallel = QStringLiteral("GleichzeitigeDownloads");
const QString kPadRanges = QStringLiteral("BereicheAuffuellen");
const QString kKeepParts = QStringLiteral("FortsetzenBehalten");

int readNumber(const QString &key, int defaultValue, int most, int least = 0)
{
    bool ok = false;
    const int value = GetSetting(applicationTitle(), kSection, key, QString()).trimmed().toInt(&ok);
    return ok && value >= least && value <= most ? value : defaultValue;
}

bool readSwitch(const QString &key, bool defaultValue)
{
    const QString text = GetSetting(applicationTitle(), kSection, key, QString()).trimmed();
    if (text == QLatin1String("1"))
        return true;
    if (text == QLatin1String("0"))
        return false;
    return defaultValue;
}

void saveNumber(const QString &key, int value)
{
    SaveSetting(applicationTitle(), kSection, key, QString::number(value));
}
} // namespace

BatchOptions LoadBatchOptions()
{
    const BatchOptions defaults;
    BatchOptions options;
    options.retries = readNumber(kRetries, defaults.retries, BatchOptions::kMaxRetries);
    options.pauseMs = readNumber(kPause, defaults.pauseMs, BatchOptions::kMaxPauseMs);
    options.pauseJitterMs = readNumber(kJitter, defaults.pauseJitterMs, BatchOptions::kMaxPauseMs);
    options.skipExisting = readSwitch(kSkip, defaults.skipExisting);
    options.collectFailures = readSwitch(kCollect, defaults.collectFailures);
    options.stopAfterFailures =
        readNumber(kStopAfter, defaults.stopAfterFailures, kMaxStopAfterFailures);
    options.parallel = readNumber(kParallel, defaults.parallel, BatchOptions::kMaxParallel, 1);
    // The window never removes a kept part: with the setting off it leaves them alone.
    options.resume =
        readSwitch(kKeepParts, false) ? BatchOptions::Resume::On : BatchOptions::Resume::Off;
    return options;
}

void SaveBatchOptions(const BatchOptions &options)
{
    saveNumber(kRetries, options.retries);
    saveNumber(kPause, options.pauseMs);
    saveNumber(kJitter, options.pauseJitterMs);
    saveNumber(kSkip, options.skipExisting ? 1 : 0);
    saveNumber(kCollect, options.collectFailures ? 1 : 0);
    saveNumber(kStopAfter, options.stopAfterFailures);
    saveNumber(kParallel, options.parallel);
    saveNumber(kKeepParts, options.resume == BatchOptions::Resume::On ? 1 : 0);
}

bool LoadPadRanges()
{
    return readSwitch(kPadRanges, false);
}

void SavePadRanges(bool pad)
{
    saveNumber(kPadRanges, pad ? 1 : 0);
}
