#pragma once

#include <QString>

// The settings' application name and the title of every message that names none.
inline QString applicationTitle()
{
    return QStringLiteral("Vornix-Downloader");
}

// What the core wants a person to read: a window shows it as a modal box, a
// command line as a line on stderr. The text is final; nothing is added to it.
struct Message
{
    enum class Icon { None, Exclamation, Information };
    // YesNo asks a question whose safe answer, "Nein", is the default.
    enum class Buttons { Ok, YesNo };

    QString text;
    QString title; // empty: the application title
    Icon icon = Icon::None;
    Buttons buttons = Buttons::Ok;
    // The URL it is about, where nothing else on the screen says so (transfers side by side);
    // a front end that names the URL anyway leaves it out.
    QString url = {};
};

enum class Answer { Ok, Yes, No };
