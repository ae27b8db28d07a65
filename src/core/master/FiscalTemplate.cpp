#include "core/master/FiscalTemplate.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>

#include <QDir>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

#include "core/data/MasterData.h"
#include "core/data/NumberFormat.h"
#include "core/data/TavoError.h"
#include "core/master/FiscalTemplateXlsx.h"

namespace tavo::FiscalTemplate {

namespace {

const QString kCode = QStringLiteral("Gemeindekennziffer");
const QString kName = QStringLiteral("Gemeinde");

QString baseColumn(const Item& item) {
    return QStringLiteral("%1 Basis (%2)")
        .arg(QString::fromUtf8(item.table), QString::fromUtf8(item.unitCaption));
}

QString changeColumn(const Item& item) {
    return QStringLiteral("%1 Änderung (% p. a.)").arg(QString::fromUtf8(item.table));
}

QString yearColumn(const Item& item, int year) {
    return QStringLiteral("%1 Jahr%2 (%3)")
        .arg(QString::fromUtf8(item.table))
        .arg(year)
        .arg(QString::fromUtf8(item.unitCaption));
}

// The cells of a semicolon-separated line; double quotes enclose cells with semicolons or quotes.
QStringList splitCsvLine(const QString& line) {
    QStringList cells;
    QString cell;
    bool quoted = false;
    for (int i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quoted) {
            if (c == QLatin1Char('"') && i + 1 < line.size() && line[i + 1] == QLatin1Char('"')) {
                cell += c;
                ++i;
            } else if (c == QLatin1Char('"')) {
                quoted = false;
            } else {
                cell += c;
            }
        } else if (c == QLatin1Char('"')) {
            quoted = true;
        } else if (c == QLatin1Char(';')) {
            cells << cell;
            cell.clear();
        } else {
            cell += c;
        }
    }
    cells << cell;
    return cells;
}

// Every line of a CSV template as cells; line i of the result is line i + 1 of the file.
QList<QStringList> readCsvRows(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1: Datei kann nicht gelesen werden (%2).")
                     .arg(QFileInfo(path).fileName(), file.errorString());
        return {};
    }
    QList<QStringList> rows;
    qint64 lineNumber = 0;
    while (!file.atEnd()) {
        QByteArray line = file.readLine();
        ++lineNumber;
        if (lineNumber == 1 && line.startsWith("\xEF\xBB\xBF"))
            line.remove(0, 3);
        while (line.endsWith('\n') || line.endsWith('\r'))
            line.chop(1);
        QStringDecoder decoder(QStringDecoder::Utf8);
        const QString text = decoder(line);
        if (decoder.hasError()) {
            *error = QStringLiteral("%1, Zeile %2: falsche Zeichenkodierung (erwartet UTF-8).")
                         .arg(QFileInfo(path).fileName())
                         .arg(lineNumber);
            return {};
        }
        rows << splitCsvLine(text);
    }
    return rows;
}

// One item of one row: the yearly values from the base value and change or from the 20 years.
// Returns false (with errors added) when the cells are not usable.
bool readItem(const Item& item, const QStringList& cells, const QHash<QString, int>& column,
              const std::function<void(const QString&)>& fail, std::array<double, Years>& values) {
    const auto cell = [&](const QString& name) {
        const int index = column.value(name, -1);
        return index >= 0 && index < cells.size() ? cells[index].trimmed() : QString();
    };
    const auto number = [&](const QString& name, const QString& unit, double min, double max, bool* ok) {
        QString error;
        const double value = parseNumber(cell(name), unit, &error);
        if (error.isEmpty() && (value < min || value > max))
            // The limits as written numbers ("100000000", not "1e+08").
            error = QStringLiteral("%1 liegt außerhalb von %2 bis %3")
                        .arg(cell(name), NumberFormat::general(min), NumberFormat::general(max));
        if (!error.isEmpty()) {
            fail(QStringLiteral("Spalte „%1“: %2.").arg(name, error));
            *ok = false;
        }
        return value;
    };
    const QString unit = QString::fromUtf8(item.unit);
    bool anyYear = false;
    for (int year = 1; year <= Years; ++year)
        anyYear = anyYear || !cell(yearColumn(item, year)).isEmpty();
    const bool hasBase = !cell(baseColumn(item)).isEmpty();
    bool ok = true;
    if (hasBase && anyYear) {
        fail(QStringLiteral("%1: entweder Basis und Änderung oder die 20 Jahreswerte angeben, nicht beides.")
                 .arg(QString::fromUtf8(item.table)));
        return false;
    }
    if (hasBase) {
        const double base = number(baseColumn(item), unit, item.min, item.max, &ok);
        double change = 0.0;
        if (!cell(changeColumn(item)).isEmpty())
            change = number(changeColumn(item), QStringLiteral("%"), MinChange, MaxChange, &ok);
        for (int year = 1; year <= Years; ++year)
            values[year - 1] = base * std::pow(1.0 + change / 100.0, year - 1);
        return ok;
    }
    if (!anyYear) {
        fail(QStringLiteral("%1: kein Wert (Basis oder Jahreswerte fehlen).")
                 .arg(QString::fromUtf8(item.table)));
        return false;
    }
    for (int year = 1; year <= Years; ++year) {
        if (cell(yearColumn(item, year)).isEmpty()) {
            fail(QStringLiteral("Spalte „%1“ ist leer; es sind alle 20 Jahreswerte nötig.")
                     .arg(yearColumn(item, year)));
            return false;
        }
        values[year - 1] = number(yearColumn(item, year), unit, item.min, item.max, &ok);
    }
    return ok;
}

void readRows(const QString& fileName, const QList<QStringList>& rows, const QHash<int, QString>& known,
              Reading& reading) {
    if (rows.isEmpty()) {
        reading.errors << QStringLiteral("%1, Zeile 1: die Datei ist leer.").arg(fileName);
        return;
    }
    QHash<QString, int> column;
    for (int i = 0; i < rows[0].size(); ++i)
        column.insert(rows[0][i].trimmed(), i);
    for (const QString& name : header()) {
        if (!column.contains(name)) {
            reading.errors << QStringLiteral("%1, Zeile 1: die Spalte „%2“ fehlt.").arg(fileName, name);
            return;
        }
    }
    for (int r = 1; r < rows.size() && reading.errors.size() < 25; ++r) {
        const QStringList& cells = rows[r];
        const auto fail = [&](const QString& cause) {
            reading.errors << QStringLiteral("%1, Zeile %2: %3").arg(fileName).arg(r + 1).arg(cause);
        };
        if (cells.join(QString()).trimmed().isEmpty())
            continue;
        bool isCode = false;
        const QString codeText = cells.value(column.value(kCode)).trimmed();
        const int code = codeText.toInt(&isCode);
        if (!isCode || !known.contains(code)) {
            fail(QStringLiteral("unbekannte Gemeindekennziffer „%1“.").arg(codeText));
            continue;
        }
        if (reading.figures.contains(code) || reading.withoutFigures.contains(code)) {
            fail(QStringLiteral("die Gemeinde %1 steht mehrfach in der Datei.").arg(code));
            continue;
        }
        bool anyFigure = false;
        for (int i = 0; i < cells.size(); ++i)
            if (i != column.value(kCode) && i != column.value(kName) && !cells[i].trimmed().isEmpty())
                anyFigure = true;
        if (!anyFigure) {
            reading.withoutFigures << code;
            continue;
        }
        Figures figures{};
        bool ok = true;
        for (int i = 0; i < ItemCount; ++i)
            ok = readItem(items()[i], cells, column, fail, figures[i]) && ok;
        if (ok)
            reading.figures.insert(code, figures);
    }
}

} // namespace

const std::array<Item, ItemCount>& items() {
    static const std::array<Item, ItemCount> list = {{
        {"FA_Ertragsanteile", "€", "€/EW", 0.0, 10000.0},
        {"FA_Sekundäre_Transfers", "€", "€/EW", -5000.0, 5000.0},
        {"Umlage_Jugendwohlfahrt", "€", "€/EW", 0.0, 5000.0},
        {"Umlage_Sozialhilfe", "€", "€/EW", 0.0, 5000.0},
        {"Umlage_TLKAS", "€", "€/EW", 0.0, 5000.0},
        {"FA_Ertragsanteile_Red", "%", "%", 0.0, 100.0},
        {"FA_Sekundäre_Transfers_Red", "%", "%", 0.0, 100.0},
        {"FA_Ertragsanteile_Red_Max", "€", "€", 0.0, 100000000.0},
        {"FA_Sekundäre_Transfers_Red_Max", "€", "€", 0.0, 100000000.0},
    }};
    return list;
}

QStringList header() {
    QStringList names{kCode, kName};
    for (const Item& item : items()) {
        names << baseColumn(item) << changeColumn(item);
        for (int year = 1; year <= Years; ++year)
            names << yearColumn(item, year);
    }
    return names;
}

QList<QPair<int, QString>> municipalitiesOf(const QString& masterPath) {
    if (!QFileInfo(masterPath).isFile())
        throw TavoError(QStringLiteral("Die Stammdatenbank „%1“ gibt es nicht.")
                            .arg(QDir::toNativeSeparators(masterPath)));
    QList<QPair<int, QString>> result;
    const QString connection =
        QStringLiteral("tavo-template-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    QString failure;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(masterPath);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (!db.open()) {
            failure = db.lastError().text();
        } else {
            try {
                QSqlQuery query = MasterData::municipalities(db, QString());
                while (query.next())
                    result << qMakePair(query.value(QStringLiteral("ID")).toInt(),
                                        query.value(QStringLiteral("PG_Name")).toString());
            } catch (const TavoError& e) {
                failure = e.message();
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    if (!failure.isEmpty())
        throw TavoError(
            QStringLiteral("Die Gemeinden der Stammdatenbank „%1“ können nicht gelesen werden: %2")
                .arg(QDir::toNativeSeparators(masterPath), failure));
    std::sort(result.begin(), result.end());
    return result;
}

QList<QVariantList> rows(const QList<QPair<int, QString>>& municipalities) {
    QList<QVariantList> result;
    const int width = static_cast<int>(header().size());
    for (const auto& [code, name] : municipalities) {
        QVariantList row{code, name};
        while (row.size() < width)
            row << QVariant();
        result << row;
    }
    return result;
}

double parseNumber(const QString& text, const QString& unit, QString* error) {
    error->clear();
    QString number = text.trimmed();
    static const QRegularExpression withUnit(QStringLiteral("^(.*?)\\s*(€|%|EUR|Euro)$"));
    const QRegularExpressionMatch match = withUnit.match(number);
    if (match.hasMatch()) {
        const QString given =
            match.captured(2) == QLatin1String("%") ? QStringLiteral("%") : QStringLiteral("€");
        if (given != unit) {
            *error = QStringLiteral("„%1“ hat die Einheit %2, erwartet %3").arg(text.trimmed(), given, unit);
            return 0.0;
        }
        number = match.captured(1);
    }
    // "1.500" is one and a half to a spreadsheet and fifteen hundred to a German reader; the two
    // differ by a factor of a thousand, so neither reading is taken silently.
    static const QRegularExpression groupedOnly(QStringLiteral("^-?[0-9]{1,3}(\\.[0-9]{3})+$"));
    if (groupedOnly.match(number).hasMatch()) {
        *error = QStringLiteral("„%1“ ist mehrdeutig: bitte ohne Tausenderpunkt (1500) oder mit "
                                "Dezimalkomma (1,5) schreiben")
                     .arg(text.trimmed());
        return 0.0;
    }
    if (number.contains(QLatin1Char(',')) && number.contains(QLatin1Char('.')))
        number.remove(QLatin1Char('.'));
    number.replace(QLatin1Char(','), QLatin1Char('.'));
    static const QRegularExpression plain(QStringLiteral("^-?[0-9]+(\\.[0-9]+)?$"));
    if (!plain.match(number).hasMatch()) {
        *error = QStringLiteral("„%1“ ist keine Zahl").arg(text.trimmed());
        return 0.0;
    }
    return number.toDouble();
}

Reading read(const QString& path, const QHash<int, QString>& known) {
    Reading reading;
    QString error;
    const QList<QStringList> rows = path.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive)
                                        ? FiscalTemplateXlsx::readRows(path, &error)
                                        : readCsvRows(path, &error);
    if (!error.isEmpty()) {
        reading.errors << error;
        return reading;
    }
    readRows(QFileInfo(path).fileName(), rows, known, reading);
    return reading;
}

} // namespace tavo::FiscalTemplate
