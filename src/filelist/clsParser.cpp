#include "filelist/clsParser.h"

namespace {

constexpr int boundMin = -32768; // a bound is a signed 16-bit number
constexpr int boundMax = 32767;

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

QString trimmedBlanks(const QString &text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && isBlank(text.at(first)))
        ++first;
    while (last > first && isBlank(text.at(last - 1)))
        --last;
    return text.mid(first, last - first);
}

// The digits of a bound as written, without blanks and a leading "+".
QString boundDigits(const QString &bound)
{
    QString digits = trimmedBlanks(bound);
    if (digits.startsWith(QLatin1Char('+')))
        digits.remove(0, 1);
    return digits;
}

// The width a range pads its numbers to: that of a lower bound written with
// leading zeros, 0 for one written plain.
int padWidth(const QString &lowerBound)
{
    const QString digits = boundDigits(lowerBound);
    return digits.size() > 1 && digits.startsWith(QLatin1Char('0')) ? int(digits.size()) : 0;
}

int toBound(const QString &bound, const QString &item)
{
    const QString digits = boundDigits(bound);
    if (digits.isEmpty())
        throw ParserError(ParserError::TypeMismatch, bound, item);
    for (QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            throw ParserError(ParserError::TypeMismatch, bound, item);
    }
    // Accumulate with a cap so that no count of digits can overflow int.
    int value = 0;
    for (QChar c : digits) {
        value = value * 10 + (c.unicode() - '0');
        if (value > boundMax)
            throw ParserError(ParserError::Overflow, bound, item);
    }
    return value;
}

QString describe(ParserError::Kind kind, const QString &bound, const QString &item)
{
    const QString shown = trimmedBlanks(bound);
    QString why;
    if (kind == ParserError::Overflow)
        why = QStringLiteral("\"%1\" liegt nicht zwischen %2 und %3.")
                  .arg(shown)
                  .arg(boundMin)
                  .arg(boundMax);
    else if (shown.isEmpty())
        why = QStringLiteral("eine Bereichsgrenze fehlt.");
    else
        why = QStringLiteral("\"%1\" ist keine Zahl.").arg(shown);
    return QStringLiteral("Der Eintrag \"%1\" der Ersetzungsliste ist ungültig: %2").arg(item, why);
}

QString describeLimit(ParserError::Kind kind, qint64 amount, qint64 limit)
{
    if (kind == ParserError::TooManyUrls)
        return QStringLiteral("Die Ersetzungsliste ergibt %1 URLs; höchstens %2 sind möglich.")
            .arg(amount)
            .arg(limit);
    return QStringLiteral("Die Vorschau der URLs wäre %1 Zeichen lang; höchstens %2 Zeichen sind "
                          "möglich.")
        .arg(amount)
        .arg(limit);
}

// Walks the list once, handing every literal item and every range (first,
// last, the width of its lower bound) to the caller in order. Throws on the
// first bad range bound.
template <typename Literal, typename Range>
void walkList(const QString &input, Literal literal, Range range)
{
    const QChar itemEnd = QLatin1Char(';');
    const QChar rangeMark = QLatin1Char('-');

    QString working = input;
    if (!working.endsWith(itemEnd))
        working += itemEnd;

    QString current;
    QString rangeStart;
    bool isRange = false;
    qsizetype itemBegin = 0; // only for naming the item in a failure

    const qsizetype length = working.size();
    for (qsizetype i = 0; i < length; ++i) {
        const QChar c = working.at(i);
        if (c == itemEnd) {
            if (!isRange) {
                literal(current);
            } else {
                const QString item = working.mid(itemBegin, i - itemBegin);
                const int first = toBound(rangeStart, item);
                range(first, toBound(current, item), padWidth(rangeStart));
            }
            current.clear();
            isRange = false;
            itemBegin = i + 1;
        } else if (c == rangeMark) {
            rangeStart = current;
            isRange = true;
            current.clear();
        } else {
            current += c;
        }
    }
}

} // namespace

ParserError::ParserError(Kind kind, const QString &bound, const QString &item)
    : std::runtime_error(describe(kind, bound, item).toStdString()), m_kind(kind), m_bound(bound),
      m_item(item)
{
}

ParserError::ParserError(Kind kind, qint64 amount, qint64 limit)
    : std::runtime_error(describeLimit(kind, amount, limit).toStdString()), m_kind(kind),
      m_amount(amount), m_limit(limit)
{
}

QString ParserError::userMessage() const
{
    if (m_kind == TooManyUrls || m_kind == PreviewTooLarge)
        return describeLimit(m_kind, m_amount, m_limit);
    return describe(m_kind, m_bound, m_item);
}

QString clsParser::InputText() const
{
    return m_inputText;
}

void clsParser::setInputText(const QString &text)
{
    m_inputText = text;
}

void clsParser::setPadRanges(bool pad)
{
    m_padRanges = pad;
}

QStringList clsParser::TextList()
{
    ParseInputText();
    return m_items;
}

void clsParser::ParseInputText()
{
    m_items.clear();
    // Count first: a short text such as "0-32767;" written 400 times stands
    // for millions of items, and building them would exhaust the memory.
    qint64 count = 0;
    walkList(
        m_inputText, [&](const QString &) { ++count; },
        [&](int first, int last, int) { count += qMax(0, last - first + 1); });
    if (count > kMaxListItems)
        throw ParserError(ParserError::TooManyUrls, count, kMaxListItems);

    m_items.reserve(count);
    walkList(
        m_inputText, [this](const QString &item) { m_items.append(item); },
        [this](int first, int last, int width) {
            const int padded = m_padRanges ? width : 0;
            // int, not a 16-bit counter: an end of 32767 must still stop.
            for (int value = first; value <= last; ++value)
                m_items.append(QStringLiteral("%1").arg(value, padded, 10, QLatin1Char('0')));
        });
}
