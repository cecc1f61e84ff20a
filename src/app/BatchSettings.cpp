#include "app/BatchSettings.h"

#include "download/Message.h"
#include "download/RequestHeaders.h"
#include "ui/Settings.h"

#include <algorithm>
#include <optional>

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
const QString kUserAgent = QStringLiteral("UserAgent");
const QString kHeaders = QStringLiteral("Kopfzeilen");
const QString kCookieFile = QStringLiteral("CookieDatei");
const QString kRate = QStringLiteral("KiBProSekunde");
const QString kIdle = QStringLiteral("Zeitlimit");
const QString kMaxSize = QStringLiteral("HoechstgroesseMiB");

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

QString readText(const QString &key)
{
    return GetSetting(applicationTitle(), kSection, key, QString());
}

// None when a line is refused.
std::optional<QList<RequestHeaders::Header>> headersOf(const QString &lines)
{
    QString error;
    QList<RequestHeaders::Header> headers =
        RequestHeaders::parse(lines.split(QLatin1Char('\n')), &error);
    if (!error.isEmpty())
        return std::nullopt;
    return headers;
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

ConnectionOptions LoadConnectionOptions()
{
    const ConnectionOptions defaults;
    ConnectionOptions options;
    options.userAgent = readText(kUserAgent).trimmed();
    if (std::any_of(options.userAgent.cbegin(), options.userAgent.cend(),
                    [](QChar c) { return c.category() == QChar::Other_Control; }))
        options.userAgent = defaults.userAgent;
    options.headerLines = readText(kHeaders);
    if (!headersOf(options.headerLines))
        options.headerLines = defaults.headerLines;
    options.cookieFile = readText(kCookieFile);
    options.kibPerSecond =
        readNumber(kRate, defaults.kibPerSecond, ConnectionOptions::kMaxKiBPerSecond);
    options.idleSeconds =
        readNumber(kIdle, defaults.idleSeconds, ConnectionOptions::kMaxIdleSeconds);
    options.maxFileSizeMiB =
        readNumber(kMaxSize, defaults.maxFileSizeMiB, ConnectionOptions::kMaxFileSizeMiB);
    return options;
}

void SaveConnectionOptions(const ConnectionOptions &options)
{
    SaveSetting(applicationTitle(), kSection, kUserAgent, options.userAgent);
    SaveSetting(applicationTitle(), kSection, kHeaders, options.headerLines);
    SaveSetting(applicationTitle(), kSection, kCookieFile, options.cookieFile);
    saveNumber(kRate, options.kibPerSecond);
    saveNumber(kIdle, options.idleSeconds);
    saveNumber(kMaxSize, options.maxFileSizeMiB);
}

TransferSettings LoadTransferSettings()
{
    const ConnectionOptions options = LoadConnectionOptions();
    TransferSettings transfer;
    transfer.userAgent = options.userAgent;
    transfer.headers = headersOf(options.headerLines).value_or(QList<RequestHeaders::Header>());
    transfer.cookieFile = options.cookieFile;
    transfer.maxBytesPerSecond = qint64(options.kibPerSecond) * 1024;
    transfer.idleTimeoutMs = options.idleSeconds * 1000;
    transfer.maxFileSize = qint64(options.maxFileSizeMiB) * 1024 * 1024;
    return transfer;
}
