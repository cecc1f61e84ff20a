#include "BenchRegistry.h"
#include "app/frmMain.h"
#include "filelist/UrlList.h"
#include "filelist/clsParser.h"
#include "ui/MsgBox.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <cstdio>

namespace {

// The longest list a user can write: the bounds cannot be negative.
const QString longestList = QStringLiteral("0-32766");
constexpr int expectedUrls = 32767;

// About 100 characters, as a typical picture gallery address.
QString longTemplate()
{
    return QStringLiteral("http://images.example.org/galleries/2004/summer-holiday/"
                          "originals/big/picture_number_§_full-size.jpeg");
}

double ms(const QElapsedTimer &timer)
{
    return timer.nsecsElapsed() / 1e6;
}

int runPreview()
{
    QTemporaryDir home;
    if (!home.isValid())
        return 1;
    // Keep the real user's settings untouched and the first-start box silent.
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path() + QStringLiteral("/config")));
    int boxes = 0;
    const MsgBoxHandler previous = setMsgBoxHandler([&boxes](const MsgBoxRequest &) { ++boxes; });

    const QString urlTemplate = longTemplate();
    QElapsedTimer timer;

    clsParser parser;
    parser.setInputText(longestList);
    timer.start();
    const QStringList items = parser.TextList();
    const double parseMs = ms(timer);

    timer.start();
    const UrlPreview preview = BuildUrlPreview(urlTemplate, QStringLiteral("§"), items);
    const double buildMs = ms(timer);

    int result = 0;
    {
        frmMain window;
        window.show();
        QCoreApplication::processEvents();
        window.txtURL->setText(urlTemplate);
        window.txtPlatzhalter->setText(QStringLiteral("§"));
        window.cboErsatzText->setEditText(longestList);

        timer.start();
        window.cmdVorschauAktualisieren_Click();
        const double handlerMs = ms(timer);
        timer.start();
        QCoreApplication::processEvents();
        const double paintMs = ms(timer);

        std::printf("template: %lld characters, URLs: %lld, preview: %lld characters\n",
                    static_cast<long long>(urlTemplate.size()),
                    static_cast<long long>(preview.urls.size()),
                    static_cast<long long>(preview.text.size()));
        std::printf("parse %s:        %8.1f ms\n", qPrintable(longestList), parseMs);
        std::printf("build URLs and text:   %8.1f ms\n", buildMs);
        std::printf("whole refresh handler: %8.1f ms\n", handlerMs);
        std::printf("  rest (setPlainText): %8.1f ms\n", handlerMs - parseMs - buildMs);
        std::printf("events after handler:  %8.1f ms\n", paintMs);
        std::printf("handler + events:      %8.1f ms\n", handlerMs + paintMs);

        if (items.size() != expectedUrls || window.Dateiliste.size() != expectedUrls ||
            window.txtVorschau->toPlainText().size() != preview.text.size() - expectedUrls) {
            std::printf("FAILED: the window does not hold the %d URLs\n", expectedUrls);
            result = 1;
        }
        window.close();
    }
    setMsgBoxHandler(previous);
    std::printf("message boxes recorded: %d\n", boxes);
    return result;
}

const BenchRegistrar reg("preview", "refresh with the longest replacement list", runPreview);

} // namespace
