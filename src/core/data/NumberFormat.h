#pragma once

#include <QLocale>
#include <QString>
#include <QVariant>

namespace tavo {

// The one place where numbers become text and text becomes numbers. Everything follows the user's
// locale (decimal comma under a German locale), installed once at start by install(); documents
// handed on are written in Austrian German instead (DocumentScope).
namespace NumberFormat {

// Makes the user's locale the process-wide default for every conversion below.
void install();

// The locale install() takes for a given system locale.
QLocale localeFor(const QLocale& system);

// The locale every conversion uses: QLocale's default after install(), or the documents' locale on
// a thread inside a DocumentScope.
QLocale locale();

// The locale of chart axes: locale() with the thousands always grouped, also where the user's locale
// leaves them ungrouped (C), so that "-2.000.000" reads as an amount.
QLocale groupedLocale();

// The locale of dates: the user's locale in the windows, Austrian German ("9. Jänner 2027",
// "09.01.27") inside a DocumentScope.
QLocale dateLocale();

// The locale of documents handed on (council report, printouts, PDFs of pages, the manual's
// pictures): numbers as Austrian planners write them ("1.234.567,89"), whatever the system locale.
QLocale documentLocale();

// While an object lives, every conversion of this thread (numbers and dates) uses the documents'
// locale; other threads and the windows keep the user's locale. Scopes nest.
class DocumentScope {
public:
    DocumentScope();
    ~DocumentScope();
    DocumentScope(const DocumentScope&) = delete;
    DocumentScope& operator=(const DocumentScope&) = delete;
};

// Converts a text in the user's locale to a number. Leading and trailing blanks are ignored; group
// separators are accepted. Returns false in *ok (when given) for an empty or invalid text.
double parse(const QString& text, bool* ok = nullptr);

// Reads a number in the locale-neutral notation of stored text, value lists and reference data
// ("2.5", "-3e2"; no group separators). Only a finite number counts: "inf", "nan", "Infinity",
// "1e999", hex floats and any other text set *ok to false and read 0.
double neutral(const QString& text, bool* ok);

// A number typed, pasted or picked by the user: the user's locale first, then the locale-neutral
// notation of the value lists. Only finite numbers count, as in parse() and neutral().
double parseTyped(const QString& text, bool* ok);

// A value for a message: at most maxChars characters of its text, ending in "…" when shortened, so
// that a huge stored value never makes a huge message.
QString excerpt(const QString& text, int maxChars = 80);

// Like parse(), but throws TavoError with a German message naming the field when the text is no number.
double parseOrThrow(const QString& text, const QString& fieldCaption);

// A fixed number of decimals with thousands separators, e.g. "1.234.567,89" (German locale).
QString fixed(double value, int decimals);

// A fixed number of decimals without thousands separators, as an input field shows a value.
QString plainFixed(double value, int decimals);

// The general format: up to 15 significant digits, no thousands separators ("8,5", "1234567,25").
QString general(double value);

// Money as the result grids show it: display format "###,##0.00".
inline QString money(double value) { return fixed(value, 2); }

// Reads a numeric database value the same under every locale: a stored number as it is, NULL and a
// blank text as 0, any other text in the locale-neutral notation ("2.5"). A text that is no finite
// number ("abc", "2,5", "inf"), a stored floating-point value that is infinite or NaN (a server keeps
// those) and any other kind of value set *ok to false and read 0.
double storedNumber(const QVariant& value, bool* ok);

// storedNumber() for a value of the user's data; a text that is no number throws TavoError naming
// the field and where it is stored (e.g. "Projekt 5").
double storedNumberOrThrow(const QVariant& value, const QString& field, const QString& owner);

// The message of storedNumberOrThrow(), thrown; for callers that check storedNumber() themselves and
// build the names only when the value is no number.
[[noreturn]] void throwNotANumber(const QVariant& value, const QString& field, const QString& owner);

// Reads a numeric database value as storedNumber() does; NULL, empty and a text that is no number
// read as 0.
double toDouble(const QVariant& value);

// Reads an integer database value; NULL, empty and a value outside the range of an int read as 0.
// Fractions are truncated toward zero.
int toInt(const QVariant& value);

// Whether a value read from the database is a whole number, a floating-point number, or either:
// the writers of text, CSV and workbooks align and format by it.
bool isWholeNumber(const QVariant& value);
bool isFloatingNumber(const QVariant& value);
inline bool isNumber(const QVariant& value) { return isWholeNumber(value) || isFloatingNumber(value); }

} // namespace NumberFormat

} // namespace tavo
