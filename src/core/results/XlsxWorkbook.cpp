#include "core/results/XlsxWorkbook.h"

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <string>

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QVariant>

#include <xlsxwriter.h>

#include "core/data/NumberFormat.h"
#include "core/data/OutputFile.h"
#include "core/data/TavoError.h"

#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#include <locale.h>
#else
#include <fcntl.h>
#include <locale.h>
#include <unistd.h>
#endif

namespace tavo {

namespace {

constexpr int kMaxSheetName = 31;
constexpr double kMaxColumnWidth = 80.0;
const char kAmountFormat[] = "#,##0.00";
const char kTempName[] = "arbeitsmappe.xlsx";

// libxlsxwriter writes numbers and column widths with the C library's printf, which follows
// LC_NUMERIC (Qt sets it from the environment: a decimal comma under de_AT.UTF-8, which no
// spreadsheet reads). While an object lives, the calling thread uses the C locale; other threads
// keep theirs.
class CNumericLocale {
public:
#ifdef Q_OS_WIN
    CNumericLocale() : m_mode(_configthreadlocale(_ENABLE_PER_THREAD_LOCALE)) {
        if (const char* current = std::setlocale(LC_NUMERIC, nullptr))
            m_previous = current;
        std::setlocale(LC_NUMERIC, "C");
    }
    ~CNumericLocale() {
        std::setlocale(LC_NUMERIC, m_previous.c_str());
        _configthreadlocale(m_mode);
    }

private:
    int m_mode;
    std::string m_previous = "C";
#else
    CNumericLocale() {
        static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
        if (c)
            m_previous = uselocale(c);
    }
    ~CNumericLocale() {
        if (m_previous)
            uselocale(m_previous);
    }

private:
    locale_t m_previous = static_cast<locale_t>(nullptr);
#endif

public:
    CNumericLocale(const CNumericLocale&) = delete;
    CNumericLocale& operator=(const CNumericLocale&) = delete;
};

// libxlsxwriter reports its failures in English on stderr ("[ERROR] workbook_close(): ..."); the
// program says what went wrong in German instead. While an object lives, stderr goes nowhere.
class QuietStderr {
public:
    QuietStderr() {
        std::fflush(stderr);
#ifdef Q_OS_WIN
        m_saved = _dup(2);
        const int nowhere = _open("NUL", _O_WRONLY);
        if (m_saved >= 0 && nowhere >= 0)
            _dup2(nowhere, 2);
        if (nowhere >= 0)
            _close(nowhere);
#else
        m_saved = dup(2);
        const int nowhere = open("/dev/null", O_WRONLY);
        if (m_saved >= 0 && nowhere >= 0)
            dup2(nowhere, 2);
        if (nowhere >= 0)
            close(nowhere);
#endif
    }
    ~QuietStderr() {
        std::fflush(stderr);
        if (m_saved < 0)
            return;
#ifdef Q_OS_WIN
        _dup2(m_saved, 2);
        _close(m_saved);
#else
        dup2(m_saved, 2);
        close(m_saved);
#endif
    }
    QuietStderr(const QuietStderr&) = delete;
    QuietStderr& operator=(const QuietStderr&) = delete;

private:
    int m_saved = -1;
};

// The creation time in the document properties: SOURCE_DATE_EPOCH (the convention of reproducible
// builds) when set, else the start of the current day in UTC, so that one export made twice on a
// day gives the same bytes.
std::time_t creationTime() {
    bool ok = false;
    const qlonglong fixed = qEnvironmentVariable("SOURCE_DATE_EPOCH").toLongLong(&ok);
    if (ok && fixed > 0)
        return static_cast<std::time_t>(fixed);
    const std::time_t now = std::time(nullptr);
    return now - now % 86400;
}

// The text a cell shows in the workbook, for the column width: amounts with thousands separators
// and two decimals.
QString shownText(const QVariant& value) {
    static const QLocale german(QLocale::German, QLocale::Germany);
    if (NumberFormat::isFloatingNumber(value))
        return german.toString(value.toDouble(), 'f', 2);
    return value.toString();
}

// "A".."Z", "AA".. for the zero-based column.
QString columnLetters(int column) {
    QString letters;
    for (int n = column + 1; n > 0; n = (n - 1) / 26)
        letters.prepend(QChar(u'A' + (n - 1) % 26));
    return letters;
}

} // namespace

XlsxWorkbook::XlsxWorkbook(const QString& path) : m_path(path) {
    if (!m_tempDir.isValid())
        throw TavoError(QStringLiteral("Für die Arbeitsmappe „%1“ kann im Ordner „%2“ keine temporäre Datei "
                                       "angelegt werden.")
                            .arg(QDir::toNativeSeparators(path), QDir::toNativeSeparators(QDir::tempPath())));
    const CNumericLocale cLocale;
    const QByteArray tempDir = QFile::encodeName(m_tempDir.path());
    lxw_workbook_options options = {};
    options.tmpdir = const_cast<char*>(tempDir.constData());
    m_workbook = workbook_new_opt(QFile::encodeName(m_tempDir.filePath(QLatin1String(kTempName))).constData(),
                                  &options);
    if (!m_workbook)
        throw TavoError(
            QStringLiteral("Die Arbeitsmappe „%1“ kann nicht angelegt werden: zu wenig Arbeitsspeicher.")
                .arg(QDir::toNativeSeparators(path)));
    lxw_doc_properties properties = {};
    properties.author = const_cast<char*>("TAVO - Tavorechner");
    const QByteArray comments = QByteArrayLiteral("Erstellt mit TAVO - Tavorechner " TAVO_VERSION);
    properties.comments = const_cast<char*>(comments.constData());
    properties.created = creationTime();
    workbook_set_properties(m_workbook, &properties);
    m_header = workbook_add_format(m_workbook);
    format_set_bold(m_header);
    m_amount = workbook_add_format(m_workbook);
    format_set_num_format(m_amount, kAmountFormat);
    m_totalCaption = workbook_add_format(m_workbook);
    format_set_bold(m_totalCaption);
    m_totalAmount = workbook_add_format(m_workbook);
    format_set_bold(m_totalAmount);
    format_set_num_format(m_totalAmount, kAmountFormat);
}

XlsxWorkbook::~XlsxWorkbook() {
    const CNumericLocale cLocale;
    if (m_workbook) {
        const QuietStderr quiet;
        workbook_close(m_workbook);
    }
}

QString XlsxWorkbook::sheetName(const QString& wanted, const QStringList& taken) {
    QString base = wanted.trimmed();
    for (const QChar c : {u'[', u']', u':', u'*', u'?', u'/', u'\\'})
        base.replace(c, QLatin1Char('_'));
    // Excel refuses names that begin or end with an apostrophe.
    while (base.startsWith(QLatin1Char('\'')))
        base.remove(0, 1);
    while (base.endsWith(QLatin1Char('\'')))
        base.chop(1);
    if (base.isEmpty())
        base = QStringLiteral("Tabelle");
    const auto isTaken = [&taken](const QString& name) {
        return std::any_of(taken.begin(), taken.end(),
                           [&name](const QString& t) { return t.compare(name, Qt::CaseInsensitive) == 0; });
    };
    QString name = base.left(kMaxSheetName);
    for (int n = 2; isTaken(name); ++n) {
        const QString suffix = QStringLiteral(" (%1)").arg(n);
        name = base.left(kMaxSheetName - suffix.size()) + suffix;
    }
    return name;
}

void XlsxWorkbook::addSheet(const ExportTable& table) {
    const CNumericLocale cLocale;
    const QString name = sheetName(table.name, m_sheetNames);
    m_sheetNames << name;
    lxw_worksheet* sheet = workbook_add_worksheet(m_workbook, name.toUtf8().constData());
    if (!sheet)
        throw TavoError(QStringLiteral("Das Tabellenblatt „%1“ kann nicht angelegt werden.").arg(name));

    const int columns = static_cast<int>(table.header.size());
    QList<int> widths(columns, 0);
    for (int c = 0; c < columns; ++c) {
        worksheet_write_string(sheet, 0, static_cast<lxw_col_t>(c), table.header.at(c).toUtf8().constData(),
                               m_header);
        // Bold text runs a little wider.
        widths[c] = static_cast<int>(table.header.at(c).size()) + 1;
    }
    QList<double> totals(columns, 0.0);
    for (int r = 0; r < table.rows.size(); ++r) {
        const QVariantList& row = table.rows.at(r);
        const auto sheetRow = static_cast<lxw_row_t>(r + 1);
        for (int c = 0; c < columns && c < row.size(); ++c) {
            const QVariant& value = row.at(c);
            const auto sheetColumn = static_cast<lxw_col_t>(c);
            if (!value.isValid() || value.isNull())
                continue;
            if (NumberFormat::isWholeNumber(value)) {
                worksheet_write_number(sheet, sheetRow, sheetColumn, value.toDouble(), nullptr);
                totals[c] += value.toDouble();
            } else if (NumberFormat::isFloatingNumber(value) && std::isfinite(value.toDouble())) {
                worksheet_write_number(sheet, sheetRow, sheetColumn, value.toDouble(), m_amount);
                totals[c] += value.toDouble();
            } else {
                worksheet_write_string(sheet, sheetRow, sheetColumn, value.toString().toUtf8().constData(),
                                       nullptr);
            }
            widths[c] = std::max(widths[c], static_cast<int>(shownText(value).size()));
        }
    }
    if (!table.totalColumns.isEmpty()) {
        const auto totalRow = static_cast<lxw_row_t>(table.rows.size() + 1);
        // The caption stands in the first column that has no total.
        int captionColumn = 0;
        while (table.totalColumns.contains(captionColumn))
            ++captionColumn;
        if (captionColumn < columns)
            worksheet_write_string(sheet, totalRow, static_cast<lxw_col_t>(captionColumn), "Summe",
                                   m_totalCaption);
        for (int c : table.totalColumns) {
            const QString letters = columnLetters(c);
            const QString formula =
                table.rows.isEmpty()
                    ? QStringLiteral("=0")
                    : QStringLiteral("=SUM(%1%2:%1%3)").arg(letters).arg(2).arg(table.rows.size() + 1);
            worksheet_write_formula_num(sheet, totalRow, static_cast<lxw_col_t>(c),
                                        formula.toUtf8().constData(), m_totalAmount, totals[c]);
            widths[c] = std::max(widths[c], static_cast<int>(shownText(totals[c]).size()) + 1);
        }
    }
    for (int c = 0; c < columns; ++c)
        worksheet_set_column(sheet, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c),
                             std::min(kMaxColumnWidth, widths[c] + 2.0), nullptr);
    worksheet_freeze_panes(sheet, 1, 0);
}

void XlsxWorkbook::close() {
    if (m_sheetNames.isEmpty())
        addSheet(ExportTable{QStringLiteral("Tabelle"), {}, {}, {}});
    const CNumericLocale cLocale;
    lxw_error error = LXW_NO_ERROR;
    int systemError = 0;
    {
        const QuietStderr quiet;
        errno = 0;
        error = workbook_close(m_workbook);
        systemError = errno;
    }
    m_workbook = nullptr;
    QFile assembled(m_tempDir.filePath(QLatin1String(kTempName)));
    if (error != LXW_NO_ERROR || !assembled.open(QIODevice::ReadOnly))
        throw TavoError(
            QStringLiteral("Die Arbeitsmappe „%1“ konnte im Ordner für temporäre Dateien („%2“) nicht "
                           "zusammengestellt werden: %3.")
                .arg(QDir::toNativeSeparators(m_path), QDir::toNativeSeparators(QDir::tempPath()),
                     OutputFile::reason(systemError)));
    OutputFile::write(m_path, assembled.readAll());
}

void XlsxWorkbook::writeTable(const QString& path, const ExportTable& table) {
    XlsxWorkbook workbook(path);
    workbook.addSheet(table);
    workbook.close();
}

} // namespace tavo
