// Reading the published population files of Statistik Austria (open data, semicolon CSV in UTF-8,
// one header line naming the columns) and their municipality code list.

#include <algorithm>
#include <set>

#include <QByteArrayView>
#include <QFile>
#include <QFileInfo>

#include "core/master/MasterImportParts.h"

namespace tavo::MasterImportParts {

namespace {

const QByteArray kYearColumn = "C-A10-0";
const QByteArray kMunicipalityColumn = "C-GRGEMAKT-0";
const QByteArray kAgeColumn = "C-GALTEJ112-0";
const QByteArray kSexColumn = "C-C11-0";
const QByteArray kCountColumn = "F-ISIS-1";
constexpr int kMaxAgeCode = 127;

QByteArray unquoted(QByteArray cell) {
    cell = cell.trimmed();
    if (cell.size() >= 2 && cell.startsWith('"') && cell.endsWith('"'))
        cell = cell.mid(1, cell.size() - 2);
    return cell;
}

// The number after a code's prefix ("A10-2024" -> 2024), -1 when the cell is no such code.
int codeNumber(const QByteArray& cell, const QByteArray& prefix) {
    if (!cell.startsWith(prefix) || cell.size() == prefix.size())
        return -1;
    bool ok = false;
    const int value = cell.mid(prefix.size()).toInt(&ok);
    return ok && value >= 0 ? value : -1;
}

// A five-digit Gemeindekennziffer, given plainly or as "GRGEMAKT-30101"; -1 otherwise.
int municipalityCode(const QByteArray& cell) {
    const QByteArray digits = cell.startsWith("GRGEMAKT-") ? cell.mid(9) : cell;
    if (digits.size() != 5)
        return -1;
    for (char c : digits)
        if (c < '0' || c > '9')
            return -1;
    return digits.toInt();
}

// The lines of a file without the byte order mark; false (with the error) when it cannot be read or
// is not UTF-8.
bool readLines(const QString& path, QList<QByteArray>& lines, ErrorList& errors) {
    const QString name = QFileInfo(path).fileName();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        errors.add(QStringLiteral("%1: Datei kann nicht gelesen werden (%2).").arg(name, file.errorString()));
        return false;
    }
    QByteArray bytes = file.readAll();
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    lines = bytes.split('\n');
    for (QByteArray& line : lines)
        if (line.endsWith('\r'))
            line.chop(1);
    while (!lines.isEmpty() && lines.last().trimmed().isEmpty())
        lines.removeLast();
    if (QByteArrayView(bytes).isValidUtf8())
        return true;
    for (int i = 0; i < lines.size(); ++i) {
        if (!QByteArrayView(lines[i]).isValidUtf8()) {
            errors.add(name, i + 1, QStringLiteral("falsche Zeichenkodierung (erwartet UTF-8)."));
            return false;
        }
    }
    return true;
}

} // namespace

void ErrorList::add(const QString& file, qint64 line, const QString& cause) {
    add(QStringLiteral("%1, Zeile %2: %3").arg(file).arg(line).arg(cause));
}

void ErrorList::add(const QString& message) {
    if (m_count < MaxErrors)
        m_messages << message;
    ++m_count;
}

QStringList ErrorList::messages() const {
    QStringList all = m_messages;
    if (m_count > MaxErrors)
        all << QStringLiteral("… und %1 weitere Fehler.").arg(m_count - MaxErrors);
    return all;
}

QHash<int, QString> readCodeList(const QString& path, ErrorList& errors) {
    QHash<int, QString> names;
    const QString file = QFileInfo(path).fileName();
    QList<QByteArray> lines;
    if (!readLines(path, lines, errors))
        return names;
    if (lines.isEmpty()) {
        errors.add(file, 1, QStringLiteral("die Datei ist leer."));
        return names;
    }
    const QList<QByteArray> header = lines[0].split(';');
    int codeIndex = -1;
    int nameIndex = -1;
    for (int i = 0; i < header.size(); ++i) {
        const QByteArray column = unquoted(header[i]).toLower();
        if (column == "code")
            codeIndex = i;
        else if (column == "name")
            nameIndex = i;
    }
    if (codeIndex < 0 || nameIndex < 0) {
        errors.add(file, 1, QStringLiteral("die Spalten „code“ und „name“ fehlen."));
        return names;
    }
    for (int i = 1; i < lines.size() && !errors.full(); ++i) {
        if (lines[i].trimmed().isEmpty())
            continue;
        const QList<QByteArray> cells = lines[i].split(';');
        const int code = municipalityCode(unquoted(cells.value(codeIndex)));
        const QString name = QString::fromUtf8(unquoted(cells.value(nameIndex)));
        if (code < 0)
            errors.add(file, i + 1,
                       QStringLiteral("„%1“ ist keine fünfstellige Gemeindekennziffer.")
                           .arg(QString::fromUtf8(unquoted(cells.value(codeIndex)))));
        else if (name.isEmpty())
            errors.add(file, i + 1, QStringLiteral("die Gemeinde %1 hat keinen Namen.").arg(code));
        else if (names.contains(code))
            errors.add(file, i + 1, QStringLiteral("die Gemeindekennziffer %1 steht doppelt.").arg(code));
        else
            names.insert(code, name);
    }
    return names;
}

namespace {

struct Columns {
    int year = -1, municipality = -1, age = -1, sex = -1, count = -1;
};

bool findColumns(const QByteArray& headerLine, Columns& columns, const QString& file, ErrorList& errors) {
    const QList<QByteArray> header = headerLine.split(';');
    for (int i = 0; i < header.size(); ++i) {
        const QByteArray name = unquoted(header[i]);
        if (name == kYearColumn)
            columns.year = i;
        else if (name == kMunicipalityColumn)
            columns.municipality = i;
        else if (name == kAgeColumn)
            columns.age = i;
        else if (name == kSexColumn)
            columns.sex = i;
        else if (name == kCountColumn)
            columns.count = i;
    }
    QStringList missing;
    const std::pair<int, QByteArray> wanted[] = {{columns.year, kYearColumn},
                                                 {columns.municipality, kMunicipalityColumn},
                                                 {columns.age, kAgeColumn},
                                                 {columns.sex, kSexColumn},
                                                 {columns.count, kCountColumn}};
    for (const auto& [index, name] : wanted)
        if (index < 0)
            missing << QString::fromLatin1(name);
    if (!missing.isEmpty())
        errors.add(file, 1, QStringLiteral("Spalte fehlt: %1.").arg(missing.join(QStringLiteral(", "))));
    return missing.isEmpty();
}

// One data line into data; false with an error added when it is refused.
bool readRow(const QList<QByteArray>& cells, const Columns& c, const QHash<int, QString>& names, int land,
             PopulationData& data, const QString& file, const QString& path, qint64 line, ErrorList& errors) {
    const auto refuse = [&](const QString& cause) {
        errors.add(file, line, cause);
        return false;
    };
    const QByteArray codeCell = unquoted(cells.value(c.municipality));
    const int code = municipalityCode(codeCell);
    if (code < 0)
        return refuse(QStringLiteral("„%1“ ist keine Gemeindekennziffer.").arg(QString::fromUtf8(codeCell)));
    if (land != 0 && code / 10000 != land)
        return true;
    if (!names.contains(code))
        return refuse(
            QStringLiteral("unbekannte Gemeindekennziffer %1 (nicht in der Gemeindeliste).").arg(code));
    const QByteArray yearCell = unquoted(cells.value(c.year));
    const int year = codeNumber(yearCell, "A10-");
    if (year < 1900 || year > 2200)
        return refuse(
            QStringLiteral("„%1“ ist kein Jahr (erwartet A10-JJJJ).").arg(QString::fromUtf8(yearCell)));
    const QByteArray ageCell = unquoted(cells.value(c.age));
    const int ageCode = codeNumber(ageCell, "GALTEJ112-");
    if (ageCode < 1 || ageCode > kMaxAgeCode)
        return refuse(QStringLiteral("„%1“ ist kein Alterscode (erwartet GALTEJ112-1 bis GALTEJ112-101).")
                          .arg(QString::fromUtf8(ageCell)));
    const QByteArray sexCell = unquoted(cells.value(c.sex));
    const int sex = sexCell == "C11-1" ? 0 : sexCell == "C11-2" ? 1 : -1;
    if (sex < 0)
        return refuse(QStringLiteral("„%1“ ist kein Geschlecht (erwartet C11-1 oder C11-2).")
                          .arg(QString::fromUtf8(sexCell)));
    const QByteArray countCell = unquoted(cells.value(c.count));
    bool isNumber = false;
    const qlonglong count = countCell.toLongLong(&isNumber);
    if (!isNumber) {
        bool isDecimal = false;
        countCell.toDouble(&isDecimal);
        return refuse(
            isDecimal ? QStringLiteral("Anzahl „%1“ ist keine ganze Zahl.").arg(QString::fromUtf8(countCell))
                      : QStringLiteral("Anzahl „%1“ ist keine Zahl.").arg(QString::fromUtf8(countCell)));
    }
    if (count < 0)
        return refuse(QStringLiteral("Anzahl %1 ist negativ.").arg(count));
    PopulationCell& cell = data.years[year][code];
    const std::size_t bit = static_cast<std::size_t>(sex * 128 + ageCode);
    if (cell.seen.test(bit))
        return refuse(QStringLiteral("doppelte Zeile für Gemeinde %1, Jahr %2, %3, Alterscode %4.")
                          .arg(code)
                          .arg(year)
                          .arg(sex == 0 ? QStringLiteral("männlich") : QStringLiteral("weiblich"))
                          .arg(ageCode));
    cell.seen.set(bit);
    const int age = std::min(ageCode - 1, Forecast::TopAge);
    (sex == 0 ? cell.counts.male : cell.counts.female)[age] += static_cast<double>(count);
    data.topAgeCode = std::max(data.topAgeCode, ageCode);
    if (!data.fileOfYear.contains(year))
        data.fileOfYear.insert(year, path);
    return true;
}

} // namespace

bool readPopulationFile(const QString& path, const QHash<int, QString>& names, int land, PopulationData& data,
                        ErrorList& errors, const Progress& progress, const Cancelled& cancelled) {
    const QString file = QFileInfo(path).fileName();
    QList<QByteArray> lines;
    if (!readLines(path, lines, errors))
        return true;
    if (lines.isEmpty()) {
        errors.add(file, 1, QStringLiteral("die Datei ist leer."));
        return true;
    }
    Columns columns;
    if (!findColumns(lines[0], columns, file, errors))
        return true;
    const qint64 total = lines.size();
    for (qint64 i = 1; i < total && !errors.full(); ++i) {
        if (i % 20000 == 0) {
            if (cancelled && cancelled())
                return false;
            if (progress)
                progress(i, total, QStringLiteral("Lese %1").arg(file));
        }
        if (lines[i].trimmed().isEmpty())
            continue;
        readRow(lines[i].split(';'), columns, names, land, data, file, path, i + 1, errors);
    }
    return true;
}

void checkComplete(const PopulationData& data, ErrorList& errors) {
    if (data.topAgeCode > 0 && data.topAgeCode < Forecast::TopAge + 1)
        errors.add(
            QStringLiteral("Die Altersangaben enden mit Alterscode GALTEJ112-%1; nötig sind die Alter bis "
                           "mindestens %2 Jahre.")
                .arg(data.topAgeCode)
                .arg(Forecast::TopAge));
    std::set<int> codes;
    for (const auto& [year, cells] : data.years)
        for (const auto& [code, cell] : cells)
            codes.insert(code);
    for (const auto& [year, cells] : data.years) {
        const QString file = QFileInfo(data.fileOfYear.value(year)).fileName();
        for (int code : codes) {
            const auto it = cells.find(code);
            if (it == cells.end()) {
                errors.add(QStringLiteral("%1: Gemeinde %2 fehlt im Jahr %3.").arg(file).arg(code).arg(year));
                continue;
            }
            for (int sex = 0; sex < 2 && !errors.full(); ++sex)
                for (int ageCode = 1; ageCode <= data.topAgeCode; ++ageCode)
                    if (!it->second.seen.test(static_cast<std::size_t>(sex * 128 + ageCode))) {
                        errors.add(
                            QStringLiteral("%1: Gemeinde %2, Jahr %3: Alterscode GALTEJ112-%4 (%5) fehlt.")
                                .arg(file)
                                .arg(code)
                                .arg(year)
                                .arg(ageCode)
                                .arg(sex == 0 ? QStringLiteral("männlich") : QStringLiteral("weiblich")));
                        break;
                    }
        }
    }
}

RegionalTotals readRegionalTotals(const QString& path, ErrorList& errors) {
    RegionalTotals totals;
    const QString file = QFileInfo(path).fileName();
    QList<QByteArray> lines;
    if (!readLines(path, lines, errors))
        return totals;
    const QList<QByteArray> header = lines.value(0).toLower().split(';');
    const int area = header.indexOf("gebiet");
    const int year = header.indexOf("jahr");
    const int count = header.indexOf("einwohner");
    if (area < 0 || year < 0 || count < 0) {
        errors.add(file, 1, QStringLiteral("die Spalten „Gebiet“, „Jahr“ und „Einwohner“ fehlen."));
        return totals;
    }
    for (int i = 1; i < lines.size() && !errors.full(); ++i) {
        if (lines[i].trimmed().isEmpty())
            continue;
        const QList<QByteArray> cells = lines[i].split(';');
        const QByteArray areaCell = unquoted(cells.value(area));
        bool ok = false;
        const int areaCode = areaCell.toInt(&ok);
        if (!ok || (areaCell.size() != 1 && areaCell.size() != 3) || areaCode <= 0) {
            errors.add(file, i + 1,
                       QStringLiteral(
                           "Gebiet „%1“ ist weder ein Bundesland (1 bis 9) noch ein Bezirk (dreistellig).")
                           .arg(QString::fromUtf8(areaCell)));
            continue;
        }
        const int yearValue = unquoted(cells.value(year)).toInt(&ok);
        if (!ok || yearValue < 1900 || yearValue > 2200) {
            errors.add(file, i + 1,
                       QStringLiteral("„%1“ ist kein Jahr.").arg(QString::fromUtf8(cells.value(year))));
            continue;
        }
        QByteArray countCell = unquoted(cells.value(count));
        countCell.replace(',', '.');
        const double value = countCell.toDouble(&ok);
        if (!ok || value < 0) {
            errors.add(file, i + 1,
                       QStringLiteral("Einwohner „%1“ ist keine Zahl ab 0.")
                           .arg(QString::fromUtf8(cells.value(count))));
            continue;
        }
        if (totals[areaCode].count(yearValue)) {
            errors.add(file, i + 1,
                       QStringLiteral("Gebiet %1, Jahr %2 steht doppelt.").arg(areaCode).arg(yearValue));
            continue;
        }
        totals[areaCode][yearValue] = value;
    }
    return totals;
}

} // namespace tavo::MasterImportParts
