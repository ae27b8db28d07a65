#pragma once

#include <QByteArray>
#include <QMap>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

namespace tavo {

// What a layer (or a value of one attribute) of a plan stands for in the calculation.
enum class PlanRole { Keine, Baugebiet, Verkehrsflaeche, Gruenflaeche, Leitung, Bauplatz };

// The German name of a role as the planner reads it: "Baugebiet", "Verkehrsfläche", "Grünfläche",
// "Straßenachse/Leitung", "Bauplatz"; "keine" for Keine.
QString planRoleName(PlanRole role);
// The role of a stored or typed key ("Baugebiet", "Verkehrsflaeche", ...; case, umlauts and
// "ss"/"ß" ignored); Keine for an unknown text.
PlanRole planRoleFromText(const QString& text);
// The stable ASCII key of a role ("Baugebiet", "Verkehrsflaeche", "Gruenflaeche", "Leitung",
// "Bauplatz", "Keine"), as stored in assignments and tables.
QString planRoleKey(PlanRole role);
// Every role but Keine in the order of the enum.
const QVector<PlanRole>& planRoles();

// The networks a line may name, in the order of the inputs: "Wasser", "Kanal", "Beleuchtung",
// "Strom", "Daten", "Gas", "Nahwärme".
const QStringList& planNetworks();
// The network an attribute value names ("Wasserleitung" -> "Wasser", "kanal" -> "Kanal",
// "Straßenbeleuchtung" -> "Beleuchtung"); empty for none of them.
QString planNetworkOf(const QString& text);

// One layer of a plan file as GDAL lists it.
struct PlanLayerInfo {
    QString name, geometryType, crs; // crs: "EPSG:31287", another authority code or a name; empty: none
    QStringList fields;
    qint64 featureCount = 0;
};

// How the layers of a file are taken: whole layers to a role, or (roleField) the values of one
// attribute to roles; optional attributes naming a line's network and a plot's building type.
struct PlanAssignment {
    QMap<QString, PlanRole> layerRoles; // layer name -> role
    QString roleField;                  // attribute whose values name the role (all layers), or empty
    QMap<QString, PlanRole> valueRoles; // value of roleField -> role
    QString networkField, buildingTypeField;
    QString crsOverride;                    // "EPSG:N" for layers without a CRS of their own, or empty
    bool unnamedLinesForAllNetworks = true; // a line without network counts for every network

    bool isEmpty() const { return layerRoles.isEmpty() && valueRoles.isEmpty(); }
    QByteArray toJson() const;
    // Reads an assignment written by toJson (or by hand); on a malformed text returns an empty
    // assignment and sets *error to a German message.
    static PlanAssignment fromJson(const QByteArray& json, QString* error);
};

// One feature of a plan in metric coordinates.
struct PlanFeature {
    PlanRole role = PlanRole::Keine;
    QString layer;
    qint64 fid = 0;
    QString network, buildingType;
    int kind = 0;                    // 0 point, 1 line, 2 polygon
    QVector<QVector<QPointF>> parts; // metres; polygon: each ring (outer ring, then its holes), per part
    double areaM2 = 0, lengthM = 0;
};

// The figures measured from a plan.
struct PlanMeasures {
    double baugebietM2 = 0, verkehrM2 = 0, gruenM2 = 0;
    double anschlussM = 0;                // sum over plots of the distance to the nearest line
    QMap<QString, double> anschlussNetzM; // network -> sum over plots of the distance to its nearest line
    QMap<QString, double> leitungM;       // network -> metres
    QMap<QString, int> bauplaetze;        // building type -> number of plots ("" for plots without type)
};

// Something wrong with one feature (fid -1: with the whole layer).
struct PlanProblem {
    QString layer;
    qint64 fid = -1;
    QString text;
    bool repairable = false;
};

// A plan as read and measured.
struct PlanReading {
    QString file, stand, metricCrs; // stand: ISO date of the file's last change
    QVector<PlanFeature> features;
    PlanMeasures measures;
    QVector<PlanProblem> problems; // not empty: the plan must not be applied
    QStringList outsideBaugebiet;  // "Ebene, Objekt N" of features lying (partly) outside
    QRectF extent;                 // metres
};

// An input field the plan would change: its key (as in the input pages), caption, old and new value.
struct PlanFieldChange {
    QString fieldKey, caption;
    QVariant oldValue, newValue;
};

} // namespace tavo
