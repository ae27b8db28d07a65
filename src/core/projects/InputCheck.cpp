#include "core/projects/InputCheck.h"

#include <cmath>

#include <QSet>
#include <QSqlQuery>
#include <QSqlRecord>

#include "core/data/Databases.h"
#include "core/data/NumberFormat.h"
#include "core/data/Sql.h"
#include "core/data/TavoError.h"
#include "core/data/UserSchema.h"
#include "core/projects/Plausibility.h"
#include "core/projects/StoredInputs.h"

namespace tavo {

namespace {

// The last project year a settlement row can fall into.
const int kLastYear = 20;

const char* const kSettlementTypes[] = {"EFHg", "EFHk", "RHg", "RHk", "GWB"};

const QString kReferenceYear = QStringLiteral("Bezugsjahr");

// The building classes whose storey count the run takes from their number.
const QStringList& romanClasses() {
    static const QStringList classes{QStringLiteral("I"),   QStringLiteral("II"),   QStringLiteral("III"),
                                     QStringLiteral("IV"),  QStringLiteral("V"),    QStringLiteral("VI"),
                                     QStringLiteral("VII"), QStringLiteral("VIII"), QStringLiteral("IX"),
                                     QStringLiteral("X")};
    return classes;
}

bool isBlank(const QVariant& value) {
    return value.isNull() || !value.isValid() ||
           (value.typeId() == QMetaType::QString && value.toString().trimmed().isEmpty());
}

QString quotedValue(const QVariant& value) {
    return QStringLiteral("„%1“").arg(NumberFormat::excerpt(value.toString()));
}

// Sorts the values of one project into refusals and warnings; every message names the field and
// where it is stored ("Projekt 5" or "Projekt 5, Zeile 3" of a detail table).
class Checker {
public:
    Checker(int projectId, InputCheck::Findings& findings) : m_id(projectId), m_found(findings) {}

    QString owner(int row = 0) const {
        return row > 0 ? QStringLiteral("Projekt %1, Zeile %2").arg(m_id).arg(row)
                       : QStringLiteral("Projekt %1").arg(m_id);
    }

    // A numeric value: empty reads 0; text, inf, NaN and magnitudes beyond the bound are refused.
    // True with *out set when the value is a usable number.
    bool number(const QVariant& value, const QString& field, int row, double* out) {
        bool ok = false;
        const double number = NumberFormat::storedNumber(value, &ok);
        if (!ok) {
            refuse(QStringLiteral("Der Wert %1 im Feld %2 (%3) ist keine Zahl.")
                       .arg(quotedValue(value), field, owner(row)));
            return false;
        }
        const double magnitude = std::fabs(number);
        if (magnitude > InputCheck::MaxMagnitude || (magnitude > 0 && magnitude < InputCheck::MinMagnitude)) {
            refuse(QStringLiteral("Der Wert %1 im Feld %2 (%3) liegt außerhalb des zulässigen Bereichs "
                                  "(Betrag höchstens 10¹², außer 0 mindestens 10⁻⁹).")
                       .arg(quotedValue(value), field, owner(row)));
            return false;
        }
        *out = number;
        return true;
    }

    void text(const QVariant& value, const QString& column, const QString& field, int row) {
        const QString content = value.toString();
        const int limit = InputCheck::maxTextLength(column);
        if (content.size() > limit)
            refuse(
                QStringLiteral("Der Text im Feld %1 (%2) ist %3 Zeichen lang, erlaubt sind höchstens %4: %5.")
                    .arg(field, owner(row))
                    .arg(content.size())
                    .arg(limit)
                    .arg(quotedValue(value)));
    }

    void refuse(const QString& message) { m_found.refusals << message; }
    void warn(const QString& message) { m_found.warnings << message; }

private:
    int m_id;
    InputCheck::Findings& m_found;
};

void checkProjectRow(const QSqlRecord& project, Checker& check) {
    for (const UserSchema::Column& c : UserSchema::projectColumns()) {
        const QString column = QString::fromUtf8(c.name);
        const QVariant value = project.value(column);
        if (c.type == UserSchema::ColumnType::Text) {
            check.text(value, column, column, 0);
            continue;
        }
        if (c.type == UserSchema::ColumnType::Identity)
            continue;
        double number = 0;
        if (column != kReferenceYear) {
            check.number(value, column, 0, &number);
            continue;
        }
        // The reference year is no input: every run stamps it anew from the reference data.
        bool ok = false;
        NumberFormat::storedNumber(value, &ok);
        if (!ok)
            check.warn(QStringLiteral("Der Wert %1 im Feld %2 (%3) ist keine Zahl; die Berechnung trägt das "
                                      "Bezugsjahr neu ein.")
                           .arg(quotedValue(value), column, check.owner()));
    }
}

void checkBuildings(const QList<QSqlRecord>& rows, Checker& check) {
    for (int i = 0; i < rows.size(); ++i) {
        const QSqlRecord& row = rows[i];
        check.text(row.value(0), QStringLiteral("bbTyp"), QStringLiteral("Bebauung.bbTyp"), i + 1);
        check.text(row.value(1), QStringLiteral("bbBauklasse"), QStringLiteral("Bebauung.bbBauklasse"),
                   i + 1);
        double share = 0;
        check.number(row.value(2), QStringLiteral("Bebauung.bbAnteil"), i + 1, &share);
        const QString bauklasse = row.value(1).toString();
        if (!romanClasses().contains(bauklasse) && bauklasse.size() <= InputCheck::MaxNameLength)
            check.warn(
                QStringLiteral("Bebauung, Zeile %1: die Bauklasse %2 ist keine römische Zahl von I bis "
                               "X; gerechnet wird mit 11 Geschoßen.")
                    .arg(i + 1)
                    .arg(quotedValue(row.value(1))));
    }
}

// A settlement row needs a whole year; one outside the project years is not calculated.
void checkSettlementYear(const QVariant& value, int row, Checker& check) {
    const QString field = QStringLiteral("Besiedelung.Jahr");
    if (isBlank(value)) {
        check.refuse(QStringLiteral("Das Feld %1 (%2) ist leer: jede Zeile der Besiedelung braucht ein Jahr.")
                         .arg(field, check.owner(row)));
        return;
    }
    double year = 0;
    if (!check.number(value, field, row, &year))
        return;
    if (std::trunc(year) != year) {
        check.refuse(QStringLiteral("Der Wert %1 im Feld %2 (%3) ist keine ganze Zahl.")
                         .arg(quotedValue(value), field, check.owner(row)));
    } else if (year < 1 || year > kLastYear) {
        check.warn(
            QStringLiteral("Besiedelung, Zeile %1: das Jahr %2 liegt außerhalb von 1 bis %3; die Zeile "
                           "wird nicht berechnet.")
                .arg(row)
                .arg(NumberFormat::general(year))
                .arg(kLastYear));
    }
}

void checkSettlements(const QList<QSqlRecord>& rows, Checker& check) {
    for (int i = 0; i < rows.size(); ++i) {
        checkSettlementYear(rows[i].value(0), i + 1, check);
        for (int t = 0; t < int(std::size(kSettlementTypes)); ++t) {
            double percent = 0;
            check.number(rows[i].value(t + 1),
                         QStringLiteral("Besiedelung.") + QLatin1String(kSettlementTypes[t]), i + 1,
                         &percent);
        }
    }
}

void checkSpecials(const QList<QSqlRecord>& rows, Checker& check) {
    for (int i = 0; i < rows.size(); ++i) {
        const QSqlRecord& row = rows[i];
        double number = 0;
        check.number(row.value(0), QStringLiteral("Sonderausgaben.Jahr"), i + 1, &number);
        check.text(row.value(1), QStringLiteral("Typ"), QStringLiteral("Sonderausgaben.Typ"), i + 1);
        check.text(row.value(2), QStringLiteral("Bezeichnung"), QStringLiteral("Sonderausgaben.Bezeichnung"),
                   i + 1);
        check.text(row.value(3), QStringLiteral("Kostenträger"),
                   QStringLiteral("Sonderausgaben.Kostenträger"), i + 1);
        check.number(row.value(4), QStringLiteral("Sonderausgaben.Ausgabe"), i + 1, &number);
    }
}

QString specialName(const QSqlRecord& row) {
    const QString name = row.value(2).toString().trimmed();
    return name.isEmpty() ? QStringLiteral("Sonderausgabe ohne Bezeichnung")
                          : QStringLiteral("Sonderausgabe „%1“").arg(NumberFormat::excerpt(name));
}

// A special expenditure is booked with its type and cost bearer as written; one the reference data
// does not know is shown only by the choice "alle" of the result views and key figures.
void checkSpecialsAgainstMaster(const QSqlDatabase& master, const QList<QSqlRecord>& rows, Checker& check) {
    if (rows.isEmpty())
        return;
    QSet<QString> types;
    QSqlQuery query = Sql::exec(master, QStringLiteral("SELECT Typ FROM Auswertung_Typen"));
    while (query.next())
        types.insert(query.value(0).toString());
    // The cost bearers are the columns Anteil_<bearer> of the same table.
    QSet<QString> bearers;
    for (const QString& column : Sql::columnNames(master, QStringLiteral("Auswertung_Typen")))
        if (column.startsWith(QLatin1String("Anteil_")))
            bearers.insert(column.mid(7));
    for (const QSqlRecord& row : rows) {
        const QString typ = row.value(1).toString();
        if (!types.contains(typ))
            check.warn(QStringLiteral("%1: der Typ %2 steht nicht in den Stammdaten; sie wird gebucht, aber "
                                      "nur die Auswahl „alle“ zeigt sie.")
                           .arg(specialName(row), quotedValue(typ)));
        const QString bearer = row.value(3).toString();
        if (!bearers.contains(bearer))
            check.warn(QStringLiteral("%1: der Kostenträger %2 steht nicht in den Stammdaten; sie wird "
                                      "gebucht, aber nur die Auswahl „alle“ zeigt sie.")
                           .arg(specialName(row), quotedValue(bearer)));
    }
}

InputCheck::Findings checkStored(const StoredInputs& inputs, int projectId) {
    InputCheck::Findings findings;
    if (!inputs.found)
        return findings;
    Checker check(projectId, findings);
    checkProjectRow(inputs.project, check);
    checkBuildings(inputs.buildings, check);
    checkSettlements(inputs.settlements, check);
    checkSpecials(inputs.specials, check);
    return findings;
}

} // namespace

namespace InputCheck {

int maxTextLength(const QString& column) {
    return column == QLatin1String("Beschreibung") ? MaxDescriptionLength : MaxNameLength;
}

Findings check(const Databases& dbs, int projectId) {
    return check(dbs.master(), StoredInputs::read(dbs.user(), projectId));
}

Findings check(const QSqlDatabase& master, const StoredInputs& inputs) {
    Findings findings = checkStored(inputs, inputs.projectId);
    // What is refused is not calculated, so nothing is to be warned about.
    if (!findings.refusals.isEmpty())
        findings.warnings.clear();
    if (!inputs.found || !findings.refusals.isEmpty())
        return findings;
    Checker check(inputs.projectId, findings);
    checkSpecialsAgainstMaster(master, inputs.specials, check);
    findings.warnings << Plausibility::warnings(master, inputs);
    return findings;
}

QStringList refusals(const Databases& dbs, int projectId) {
    return refusals(StoredInputs::read(dbs.user(), projectId));
}

QStringList refusals(const StoredInputs& inputs) {
    return checkStored(inputs, inputs.projectId).refusals;
}

void requireNoRefusal(const QStringList& refusals) {
    if (!refusals.isEmpty())
        throw TavoError(refusals.join(QLatin1Char('\n')));
}

} // namespace InputCheck

} // namespace tavo
