#include "core/plan/PlanStore.h"

#include <cmath>

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlQuery>

#include "core/data/Sql.h"
#include "core/data/TavoError.h"
#include "core/data/Transaction.h"
#include "core/plan/PlanMeasure.h"
#include "core/plan/PlanTargets.h"
#include "core/projects/DetailRows.h"
#include "core/projects/ProjectRecord.h"
#include "core/projects/ProjectRecords.h"

namespace tavo {

namespace PlanStore {

namespace {

const QString kBuilding = QStringLiteral("Bebauung");

struct ProjectState {
    QSqlRecord project;
    QList<QSqlRecord> buildings; // with "ID"
};

ProjectState readState(const QSqlDatabase& db, int projectId) {
    std::optional<QSqlRecord> row = readProjectRow(db, projectId);
    if (!row)
        throw TavoError(QStringLiteral("Es gibt kein Projekt mit der Nummer %1.").arg(projectId));
    ProjectState state{*row, {}};
    QSqlQuery rows = DetailRows::select(db, kBuilding, projectId);
    while (rows.next())
        state.buildings << rows.record();
    return state;
}

// The stored value of a field: a project column, or the first Bebauung share of the type.
QVariant storedValue(const ProjectState& state, const QString& key) {
    if (!key.startsWith(PlanTargets::buildingKeyPrefix()))
        return state.project.value(key);
    const QString type = key.mid(PlanTargets::buildingKeyPrefix().size());
    for (const QSqlRecord& row : state.buildings)
        if (row.value(QStringLiteral("bbTyp")).toString() == type)
            return row.value(QStringLiteral("bbAnteil"));
    return QVariant();
}

bool differs(const QVariant& stored, double value) {
    return stored.isNull() || std::abs(stored.toDouble() - value) > 1e-9 * std::max(1.0, std::abs(value));
}

QVector<PlanFieldChange> changesOf(const ProjectState& state, const QVector<PlanTargets::Target>& targets) {
    QVector<PlanFieldChange> changes;
    for (const PlanTargets::Target& t : targets) {
        const QVariant stored = storedValue(state, t.fieldKey);
        if (differs(stored, t.value))
            changes.append({t.fieldKey, PlanTargets::caption(t.fieldKey), stored, t.value});
    }
    return changes;
}

void writeProjectColumns(const QSqlDatabase& db, int projectId, const QVector<PlanFieldChange>& changes) {
    QStringList assignments;
    QVariantList values;
    for (const PlanFieldChange& c : changes) {
        if (c.fieldKey.startsWith(PlanTargets::buildingKeyPrefix()))
            continue;
        assignments << Sql::quoted(c.fieldKey) + QStringLiteral(" = ?");
        values << (ProjectRecord::isIntegerColumn(c.fieldKey)
                       ? QVariant(qint64(std::llround(c.newValue.toDouble())))
                       : c.newValue);
    }
    // The version rises, so that a window holding the project sees that it changed.
    assignments << QStringLiteral("\"Version\" = \"Version\" + 1");
    values << projectId;
    Sql::exec(
        db,
        QStringLiteral("UPDATE \"TAVO\" SET %1 WHERE \"ID\" = ?").arg(assignments.join(QStringLiteral(", "))),
        values);
}

void writeBuildingShares(const QSqlDatabase& db, int projectId, const ProjectState& state,
                         const QVector<PlanFieldChange>& changes) {
    const QStringList columns = {QStringLiteral("bbAnteil")};
    for (const PlanFieldChange& c : changes) {
        if (!c.fieldKey.startsWith(PlanTargets::buildingKeyPrefix()))
            continue;
        const QString type = c.fieldKey.mid(PlanTargets::buildingKeyPrefix().size());
        bool found = false;
        for (const QSqlRecord& row : state.buildings) {
            if (row.value(QStringLiteral("bbTyp")).toString() != type)
                continue;
            // Further rows of the same type give up their share: the plan's share is the type's.
            DetailRows::update(db, kBuilding, row.value(QStringLiteral("ID")), columns,
                               {found ? 0.0 : c.newValue.toDouble()});
            found = true;
        }
        if (!found)
            DetailRows::insert(db, kBuilding, projectId,
                               {QStringLiteral("bbTyp"), QStringLiteral("bbAnteil")}, {type, c.newValue});
    }
}

QByteArray measuresJson(const PlanMeasures& m) {
    const auto map = [](const auto& values) {
        QJsonObject o;
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            o.insert(it.key(), it.value());
        return o;
    };
    QJsonObject o{{QStringLiteral("baugebiet"), m.baugebietM2},
                  {QStringLiteral("verkehr"), m.verkehrM2},
                  {QStringLiteral("gruen"), m.gruenM2},
                  {QStringLiteral("anschluss"), m.anschlussM},
                  {QStringLiteral("leitung"), map(m.leitungM)},
                  {QStringLiteral("anschlussNetz"), map(m.anschlussNetzM)},
                  {QStringLiteral("bauplaetze"), map(m.bauplaetze)}};
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

PlanMeasures measuresFromJson(const QByteArray& json) {
    const QJsonObject o = QJsonDocument::fromJson(json).object();
    PlanMeasures m;
    m.baugebietM2 = o.value(QStringLiteral("baugebiet")).toDouble();
    m.verkehrM2 = o.value(QStringLiteral("verkehr")).toDouble();
    m.gruenM2 = o.value(QStringLiteral("gruen")).toDouble();
    m.anschlussM = o.value(QStringLiteral("anschluss")).toDouble();
    const QJsonObject lines = o.value(QStringLiteral("leitung")).toObject();
    for (auto it = lines.begin(); it != lines.end(); ++it)
        m.leitungM.insert(it.key(), it.value().toDouble());
    const QJsonObject connections = o.value(QStringLiteral("anschlussNetz")).toObject();
    for (auto it = connections.begin(); it != connections.end(); ++it)
        m.anschlussNetzM.insert(it.key(), it.value().toDouble());
    const QJsonObject plots = o.value(QStringLiteral("bauplaetze")).toObject();
    for (auto it = plots.begin(); it != plots.end(); ++it)
        m.bauplaetze.insert(it.key(), it.value().toInt());
    return m;
}

// The parts of a feature as "x y,x y;x y,..." in millimetres' precision.
QString geometryText(const PlanFeature& f) {
    QStringList parts;
    for (const QVector<QPointF>& part : f.parts) {
        QStringList points;
        points.reserve(part.size());
        for (const QPointF& p : part)
            points << QString::number(p.x(), 'f', 3) + QLatin1Char(' ') + QString::number(p.y(), 'f', 3);
        parts << points.join(QLatin1Char(','));
    }
    return parts.join(QLatin1Char(';'));
}

QVector<QVector<QPointF>> geometryParts(const QString& text) {
    QVector<QVector<QPointF>> parts;
    for (const QStringView part : QStringView(text).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        QVector<QPointF> points;
        for (const QStringView point : part.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            const qsizetype blank = point.indexOf(QLatin1Char(' '));
            points.append(QPointF(point.left(blank).toDouble(), point.mid(blank + 1).toDouble()));
        }
        parts.append(points);
    }
    return parts;
}

void writePlan(const QSqlDatabase& db, int projectId, const PlanReading& reading,
               const PlanAssignment& assignment) {
    for (const char* table : {"Plan", "PlanObjekt"})
        Sql::exec(
            db,
            QStringLiteral("DELETE FROM %1 WHERE \"TAVO\" = ?").arg(Sql::quoted(QString::fromUtf8(table))),
            {projectId});
    Sql::exec(db,
              QStringLiteral("INSERT INTO \"Plan\" (\"TAVO\", \"Datei\", \"Stand\", \"Koordinatensystem\", "
                             "\"Zuordnung\", \"Messwerte\") VALUES (?, ?, ?, ?, ?, ?)"),
              {projectId, QFileInfo(reading.file).absoluteFilePath(), reading.stand, reading.metricCrs,
               QString::fromUtf8(assignment.toJson()), QString::fromUtf8(measuresJson(reading.measures))});
    QSqlQuery insert(db);
    Sql::prepare(
        insert,
        QStringLiteral("INSERT INTO \"PlanObjekt\" (\"TAVO\", \"Nr\", \"Rolle\", \"Ebene\", \"Objekt\", "
                       "\"Netz\", \"Typ\", \"Art\", \"Geometrie\", \"Fläche\", \"Länge\") "
                       "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    for (int i = 0; i < reading.features.size(); ++i) {
        const PlanFeature& f = reading.features[i];
        const QVariantList values = {
            projectId,      i + 1,  planRoleKey(f.role), f.layer,  f.fid,    f.network,
            f.buildingType, f.kind, geometryText(f),     f.areaM2, f.lengthM};
        for (int v = 0; v < values.size(); ++v)
            insert.bindValue(v, values[v]);
        Sql::execPrepared(insert);
    }
}

void writeMarks(const QSqlDatabase& db, int projectId, const PlanReading& reading,
                const QVector<PlanTargets::Target>& targets) {
    Sql::exec(db, QStringLiteral("DELETE FROM \"PlanMarke\" WHERE \"TAVO\" = ?"), {projectId});
    const QString file = QFileInfo(reading.file).fileName();
    for (const PlanTargets::Target& t : targets) {
        if (t.marked)
            Sql::exec(db,
                      QStringLiteral("INSERT INTO \"PlanMarke\" (\"TAVO\", \"Feld\", \"Datei\", \"Ebene\", "
                                     "\"Stand\") VALUES (?, ?, ?, ?, ?)"),
                      {projectId, t.fieldKey, file, t.layers.join(QStringLiteral(", ")), reading.stand});
    }
}

} // namespace

QVector<PlanFieldChange> planChanges(const QSqlDatabase& db, int projectId, const PlanReading& reading) {
    const ProjectState state = readState(db, projectId);
    return changesOf(state, PlanTargets::targets(reading, state.project, state.buildings));
}

QVector<PlanFieldChange> applyPlan(const QSqlDatabase& db, int projectId, const PlanReading& reading,
                                   const PlanAssignment& assignment) {
    if (!reading.problems.isEmpty())
        throw TavoError(QStringLiteral("Der Plan hat Fehler und wird nicht übernommen: %1")
                            .arg(reading.problems.first().text));
    Transaction tx(db);
    const ProjectState state = readState(db, projectId);
    const QVector<PlanTargets::Target> targets =
        PlanTargets::targets(reading, state.project, state.buildings);
    const QVector<PlanFieldChange> changes = changesOf(state, targets);
    writeProjectColumns(db, projectId, changes);
    writeBuildingShares(db, projectId, state, changes);
    writePlan(db, projectId, reading, assignment);
    writeMarks(db, projectId, reading, targets);
    tx.commit();
    return changes;
}

PlanReading storedPlan(const QSqlDatabase& db, int projectId) {
    PlanReading reading;
    QSqlQuery plan =
        Sql::exec(db,
                  QStringLiteral("SELECT \"Datei\", \"Stand\", \"Koordinatensystem\", \"Messwerte\" "
                                 "FROM \"Plan\" WHERE \"TAVO\" = ?"),
                  {projectId});
    if (!plan.next())
        return reading;
    reading.file = plan.value(0).toString();
    reading.stand = plan.value(1).toString();
    reading.metricCrs = plan.value(2).toString();
    reading.measures = measuresFromJson(plan.value(3).toString().toUtf8());
    QSqlQuery rows =
        Sql::exec(db,
                  QStringLiteral("SELECT \"Rolle\", \"Ebene\", \"Objekt\", \"Netz\", \"Typ\", \"Art\", "
                                 "\"Geometrie\", \"Fläche\", \"Länge\" FROM \"PlanObjekt\" "
                                 "WHERE \"TAVO\" = ? ORDER BY \"Nr\""),
                  {projectId});
    while (rows.next()) {
        PlanFeature f;
        f.role = planRoleFromText(rows.value(0).toString());
        f.layer = rows.value(1).toString();
        f.fid = rows.value(2).toLongLong();
        f.network = rows.value(3).toString();
        f.buildingType = rows.value(4).toString();
        f.kind = rows.value(5).toInt();
        f.parts = geometryParts(rows.value(6).toString());
        f.areaM2 = rows.value(7).toDouble();
        f.lengthM = rows.value(8).toDouble();
        reading.features.append(std::move(f));
    }
    reading.outsideBaugebiet = PlanMeasure::outsideBaugebiet(reading.features);
    reading.extent = PlanMeasure::extent(reading.features);
    return reading;
}

QHash<QString, QString> planMarks(const QSqlDatabase& db, int projectId) {
    QHash<QString, QString> marks;
    QSqlQuery rows = Sql::exec(
        db,
        QStringLiteral(
            "SELECT \"Feld\", \"Datei\", \"Ebene\", \"Stand\" FROM \"PlanMarke\" WHERE \"TAVO\" = ?"),
        {projectId});
    while (rows.next())
        marks.insert(rows.value(0).toString(),
                     QStringLiteral("aus Plan: %1, %2, %3")
                         .arg(rows.value(1).toString(), rows.value(2).toString(), rows.value(3).toString()));
    return marks;
}

void clearPlanMark(const QSqlDatabase& db, int projectId, const QString& fieldKey) {
    Sql::exec(db, QStringLiteral("DELETE FROM \"PlanMarke\" WHERE \"TAVO\" = ? AND \"Feld\" = ?"),
              {projectId, fieldKey});
}

PlanAssignment rememberedAssignment(const QSqlDatabase& db, const QString& file) {
    const QFileInfo wanted(file);
    QSqlQuery rows =
        Sql::exec(db, QStringLiteral("SELECT \"Datei\", \"Zuordnung\" FROM \"Plan\" ORDER BY \"TAVO\""));
    QString sameName;
    while (rows.next()) {
        const QFileInfo stored(rows.value(0).toString());
        if (stored.absoluteFilePath() == wanted.absoluteFilePath()) {
            sameName = rows.value(1).toString();
            break;
        }
        if (sameName.isEmpty() && stored.fileName() == wanted.fileName())
            sameName = rows.value(1).toString();
    }
    QString error;
    return sameName.isEmpty() ? PlanAssignment() : PlanAssignment::fromJson(sameName.toUtf8(), &error);
}

} // namespace PlanStore

} // namespace tavo
