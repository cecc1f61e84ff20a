#pragma once

#include <QString>
#include <QStringList>
#include <stdexcept>

// Why a replacement list could not be read. Thrown by clsParser::TextList;
// the window turns userMessage() into a message box.
class ParserError final : public std::runtime_error
{
public:
    enum Kind {
        TypeMismatch,   // a range bound is empty or no whole number
        Overflow,       // a range bound lies outside -32768..32767
        TooManyUrls,    // the list gives more items than the window can hold
        PreviewTooLarge // the URLs together would be too much text to show
    };

    ParserError(Kind kind, const QString &bound, const QString &item);
    // For the two limits: what the list would give and what is allowed.
    ParserError(Kind kind, qint64 amount, qint64 limit);

    Kind kind() const { return m_kind; }
    QString bound() const { return m_bound; } // the bound text as typed
    QString item() const { return m_item; }   // the whole item it belongs to
    qint64 amount() const { return m_amount; }
    qint64 limit() const { return m_limit; }
    QString userMessage() const;

private:
    Kind m_kind;
    QString m_bound;
    QString m_item;
    qint64 m_amount = 0;
    qint64 m_limit = 0;
};

// The most items (and so URLs) one list may give. Each becomes a line of the
// preview and an entry of the download list: a quarter million take about
// 1.5 s and 300 MB to show, a million 4 to 5 s.
inline constexpr qint64 kMaxListItems = 250000;

// Expands a replacement list such as "01;02;10-20" into its items. ";" ends an
// item, "-" joins the bounds of an ascending range; everything else is kept as
// typed. A range bound is a whole number from -32768 to 32767, written with
// optional blanks (spaces, tabs) around it, leading zeros and a leading "+".
// Since "-" always marks a range, a negative bound cannot be written.
class clsParser final
{
public:
    QString InputText() const;
    void setInputText(const QString &text);
    // Off by default. When on, a range whose lower bound is written with
    // leading zeros ("001-120") writes every number to that many digits
    // (001 ... 120); one written plain ("1-120") stays plain.
    void setPadRanges(bool pad);

    // Parses the current InputText on every call; element k - 1 is item k.
    // Throws ParserError on a range bound that cannot be converted, and on a
    // list of more than kMaxListItems items, counted before any is built.
    QStringList TextList();

private:
    void ParseInputText();

    QString m_inputText;
    QStringList m_items;
    bool m_padRanges = false;
};
