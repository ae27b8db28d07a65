#include "core/plan/PlanReader.h"

#include <cmath>
#include <mutex>

#include <QDateTime>
#include <QFileInfo>
#include <QHash>
#include <QStringDecoder>

#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include "core/plan/PlanGeometry.h"
#include "core/plan/PlanMeasure.h"

namespace tavo {

using namespace PlanGeometry;

namespace {

GDALDatasetUniquePtr openVector(const QString& file, QString* error) {
    static std::once_flag registered;
    std::call_once(registered, [] { GDALAllRegister(); });
    if (!QFileInfo::exists(file)) {
        *error = QStringLiteral("Die Datei „%1“ gibt es nicht.").arg(file);
        return nullptr;
    }
    GDALDatasetUniquePtr ds(GDALDataset::Open(file.toUtf8().constData(), GDAL_OF_VECTOR | GDAL_OF_READONLY));
    if (!ds)
        *error = QStringLiteral("Die Datei „%1“ lässt sich nicht als Plan lesen (kein Vektorformat, das GDAL "
                                "kennt): %2")
                     .arg(file, QString::fromUtf8(CPLGetLastErrorMsg()));
    return ds;
}

// Lower case without umlauts, "ß", blanks and separators, as planRoleFromText compares.
QString foldedName(const QString& text) {
    QString s = text.toLower();
    s.replace(QChar(0x00E4), QLatin1String("ae")).replace(QChar(0x00F6), QLatin1String("oe"));
    s.replace(QChar(0x00FC), QLatin1String("ue")).replace(QChar(0x00DF), QLatin1String("ss"));
    s.remove(QLatin1Char(' ')).remove(QLatin1Char('-')).remove(QLatin1Char('_'));
    return s;
}

QString fieldNamed(const QStringList& fields, const QStringList& folded) {
    for (const QString& field : fields)
        if (folded.contains(foldedName(field)))
            return field;
    return QString();
}

QString buildingTypeOf(const QString& value) {
    for (const char* code : {"EFHg", "EFHk", "RHg", "RHk", "GWB"})
        if (value.compare(QLatin1String(code), Qt::CaseInsensitive) == 0)
            return QLatin1String(code);
    return value;
}

} // namespace

QString planGeometryTypeName(int ogrType) {
    switch (wkbFlatten(static_cast<OGRwkbGeometryType>(ogrType))) {
    case wkbUnknown:
        return QStringLiteral("gemischt");
    case wkbNone:
        return QStringLiteral("ohne Geometrie");
    case wkbPoint:
        return QStringLiteral("Punkt");
    case wkbMultiPoint:
        return QStringLiteral("Punkte");
    case wkbLineString:
    case wkbCircularString:
    case wkbCompoundCurve:
        return QStringLiteral("Linie");
    case wkbMultiLineString:
    case wkbMultiCurve:
        return QStringLiteral("Linien");
    case wkbPolygon:
    case wkbCurvePolygon:
    case wkbTriangle:
        return QStringLiteral("Fläche");
    case wkbMultiPolygon:
    case wkbMultiSurface:
    case wkbPolyhedralSurface:
    case wkbTIN:
        return QStringLiteral("Flächen");
    case wkbGeometryCollection:
        return QStringLiteral("Sammlung");
    default:
        return QStringLiteral("andere");
    }
}

QVector<PlanLayerInfo> planLayers(const QString& file, QString* error) {
    QVector<PlanLayerInfo> layers;
    GDALDatasetUniquePtr ds = openVector(file, error);
    if (!ds)
        return layers;
    for (OGRLayer* layer : ds->GetLayers()) {
        PlanLayerInfo info;
        info.name = QString::fromUtf8(layer->GetName());
        info.geometryType = planGeometryTypeName(layer->GetGeomType());
        const OGRSpatialReference* srs = layer->GetSpatialRef();
        if (srs && isDefined(*srs))
            info.crs = srsText(*srs);
        OGRFeatureDefn* defn = layer->GetLayerDefn();
        for (int i = 0; i < defn->GetFieldCount(); ++i)
            info.fields << QString::fromUtf8(defn->GetFieldDefn(i)->GetNameRef());
        info.featureCount = layer->GetFeatureCount();
        layers.append(info);
    }
    return layers;
}

PlanAssignment guessAssignment(const QVector<PlanLayerInfo>& layers) {
    PlanAssignment a;
    QStringList allFields;
    for (const PlanLayerInfo& layer : layers) {
        const PlanRole role = planRoleFromText(layer.name);
        if (role != PlanRole::Keine)
            a.layerRoles.insert(layer.name, role);
        allFields << layer.fields;
    }
    // One layer holding everything (a DXF's "entities", a layer "Plan" with an attribute "Rolle"):
    // the values of its role attribute name the roles.
    if (a.layerRoles.isEmpty())
        a.roleField = fieldNamed(allFields, {QStringLiteral("rolle"), QStringLiteral("layer"),
                                             QStringLiteral("ebene"), QStringLiteral("nutzung")});
    a.networkField = fieldNamed(allFields, {QStringLiteral("netz"), QStringLiteral("sparte"),
                                            QStringLiteral("leitungsart"), QStringLiteral("netzart")});
    a.buildingTypeField =
        fieldNamed(allFields, {QStringLiteral("gebaeudetyp"), QStringLiteral("bebauungstyp"),
                               QStringLiteral("bautyp"), QStringLiteral("bbtyp"), QStringLiteral("typ")});
    return a;
}

namespace {

// A layer to read with the indexes of its attributes (-1: not there) and its reference system.
struct SourceLayer {
    OGRLayer* layer = nullptr;
    QString name;
    PlanRole role = PlanRole::Keine; // the whole layer's role; Keine: by the role attribute
    int roleField = -1, networkField = -1, typeField = -1;
    SrsPtr srs;
};

QString problemPlace(const QString& layer, qint64 fid) {
    return QStringLiteral("Ebene „%1“, Objekt %2").arg(layer).arg(fid);
}

// UTF-8 read as Windows-1252 ("GrÃ¼nflÃ¤che", as GDAL's own DXF writer leaves layer names) back to
// the text it was; any other text as it is.
QString repairedUtf8(const QString& text) {
    if (!text.contains(QChar(0x00C3)) && !text.contains(QChar(0x00C2)))
        return text;
    static const QHash<ushort, char> cp1252 = {
        {0x20AC, '\x80'}, {0x201A, '\x82'}, {0x0192, '\x83'}, {0x201E, '\x84'}, {0x2026, '\x85'},
        {0x2020, '\x86'}, {0x2021, '\x87'}, {0x02C6, '\x88'}, {0x2030, '\x89'}, {0x0160, '\x8A'},
        {0x2039, '\x8B'}, {0x0152, '\x8C'}, {0x017D, '\x8E'}, {0x2018, '\x91'}, {0x2019, '\x92'},
        {0x201C, '\x93'}, {0x201D, '\x94'}, {0x2022, '\x95'}, {0x2013, '\x96'}, {0x2014, '\x97'},
        {0x02DC, '\x98'}, {0x2122, '\x99'}, {0x0161, '\x9A'}, {0x203A, '\x9B'}, {0x0153, '\x9C'},
        {0x017E, '\x9E'}, {0x0178, '\x9F'}};
    QByteArray bytes;
    for (const QChar c : text) {
        if (c.unicode() < 0x100)
            bytes.append(char(c.unicode()));
        else if (cp1252.contains(c.unicode()))
            bytes.append(cp1252.value(c.unicode()));
        else
            return text;
    }
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString decoded = utf8(bytes);
    return utf8.hasError() ? text : decoded;
}

QString fieldText(OGRFeature& feature, int index) {
    if (index < 0 || !feature.IsFieldSetAndNotNull(index))
        return QString();
    return repairedUtf8(QString::fromUtf8(feature.GetFieldAsString(index)).trimmed());
}

PlanRole roleOf(const SourceLayer& source, OGRFeature& feature, const PlanAssignment& a) {
    if (source.role != PlanRole::Keine)
        return source.role;
    const QString value = fieldText(feature, source.roleField);
    const auto it = a.valueRoles.constFind(value);
    return it != a.valueRoles.cend() ? it.value() : planRoleFromText(value);
}

// The layers the assignment uses; a layer without reference system (and no override) is a problem.
std::vector<SourceLayer> sourceLayers(GDALDataset& ds, const PlanAssignment& a, PlanReading* out) {
    std::vector<SourceLayer> sources;
    for (OGRLayer* layer : ds.GetLayers()) {
        SourceLayer s;
        s.layer = layer;
        s.name = QString::fromUtf8(layer->GetName());
        s.role = a.layerRoles.value(s.name, PlanRole::Keine);
        OGRFeatureDefn* defn = layer->GetLayerDefn();
        if (!a.roleField.isEmpty())
            s.roleField = defn->GetFieldIndex(a.roleField.toUtf8().constData());
        if (s.role == PlanRole::Keine && s.roleField < 0)
            continue;
        if (!a.networkField.isEmpty())
            s.networkField = defn->GetFieldIndex(a.networkField.toUtf8().constData());
        if (!a.buildingTypeField.isEmpty())
            s.typeField = defn->GetFieldIndex(a.buildingTypeField.toUtf8().constData());
        const OGRSpatialReference* srs = layer->GetSpatialRef();
        if (srs && isDefined(*srs))
            s.srs = traditionalCopy(*srs);
        else if (!a.crsOverride.isEmpty())
            s.srs = srsFromText(a.crsOverride);
        if (!s.srs) {
            out->problems.append({s.name, -1,
                                  QStringLiteral("Ebene „%1“ hat kein Koordinatensystem; bitte das "
                                                 "Koordinatensystem des Plans angeben (z. B. EPSG:31287).")
                                      .arg(s.name),
                                  false});
            continue;
        }
        sources.push_back(std::move(s));
    }
    return sources;
}

// The metric system for the middle of the layers' extents (weighted by their features).
QString metricCrsOf(const std::vector<SourceLayer>& sources) {
    SrsPtr wgs84 = srsFromText(QStringLiteral("EPSG:4326"));
    double lon = 0, lat = 0, weight = 0;
    for (const SourceLayer& s : sources) {
        OGREnvelope env;
        if (s.layer->GetExtent(&env, TRUE) != OGRERR_NONE)
            continue;
        double x = (env.MinX + env.MaxX) / 2, y = (env.MinY + env.MaxY) / 2;
        TransformPtr ct(OGRCreateCoordinateTransformation(s.srs.get(), wgs84.get()));
        if (!ct || !ct->Transform(1, &x, &y))
            continue;
        const double w = std::max<double>(1, s.layer->GetFeatureCount());
        lon += x * w, lat += y * w, weight += w;
    }
    return weight > 0 ? metricCrsFor(lon / weight, lat / weight) : QStringLiteral("EPSG:31287");
}

// Checks (and with repair mends) one geometry; false with a problem when it stays invalid.
bool validGeometry(std::unique_ptr<OGRGeometry>& g, bool repair, const QString& layer, qint64 fid,
                   PlanReading* out) {
    if (g->IsValid())
        return true;
    if (!repair) {
        out->problems.append(
            {layer, fid,
             QStringLiteral("%1: ungültige Geometrie (Selbstüberschneidung oder offener Ring)")
                 .arg(problemPlace(layer, fid)),
             true});
        return false;
    }
    g->closeRings();
    if (!g->IsValid())
        g.reset(g->MakeValid());
    if (!g || !g->IsValid()) {
        out->problems.append(
            {layer, fid,
             QStringLiteral("%1: ungültige Geometrie, nicht reparierbar").arg(problemPlace(layer, fid)),
             false});
        return false;
    }
    return true;
}

void readLayer(SourceLayer& s, const PlanAssignment& a, const OGRSpatialReference& target, bool repair,
               PlanReading* out) {
    TransformPtr ct;
    if (!s.srs->IsSame(&target))
        ct.reset(OGRCreateCoordinateTransformation(s.srs.get(), &target));
    s.layer->ResetReading();
    for (const OGRFeatureUniquePtr& feature : *s.layer) {
        PlanFeature f;
        f.role = roleOf(s, *feature, a);
        const OGRGeometry* geometry = feature->GetGeometryRef();
        if (f.role == PlanRole::Keine || !geometry || geometry->IsEmpty())
            continue;
        f.layer = s.name;
        f.fid = feature->GetFID();
        std::unique_ptr<OGRGeometry> g(geometry->clone());
        if (!validGeometry(g, repair, f.layer, f.fid, out))
            continue;
        if (ct && g->transform(ct.get()) != OGRERR_NONE) {
            out->problems.append({f.layer, f.fid,
                                  QStringLiteral("%1: Koordinaten lassen sich nicht in %2 umrechnen")
                                      .arg(problemPlace(f.layer, f.fid), out->metricCrs),
                                  false});
            continue;
        }
        const QString network = fieldText(*feature, s.networkField);
        f.network = planNetworkOf(network).isEmpty() ? network : planNetworkOf(network);
        f.buildingType = buildingTypeOf(fieldText(*feature, s.typeField));
        if (!fillFeature(*g, &f)) {
            out->problems.append({f.layer, f.fid,
                                  QStringLiteral("%1: die Geometrie passt nicht zur Rolle „%2“")
                                      .arg(problemPlace(f.layer, f.fid), planRoleName(f.role)),
                                  false});
            continue;
        }
        out->features.append(std::move(f));
    }
}

} // namespace

PlanReading readPlan(const QString& file, const PlanAssignment& assignment, bool repair, QString* error) {
    PlanReading reading;
    reading.file = file;
    GDALDatasetUniquePtr ds = openVector(file, error);
    if (!ds)
        return reading;
    reading.stand = QFileInfo(file).lastModified().date().toString(Qt::ISODate);
    CPLPushErrorHandler(CPLQuietErrorHandler);
    std::vector<SourceLayer> sources = sourceLayers(*ds, assignment, &reading);
    reading.metricCrs = metricCrsOf(sources);
    SrsPtr target = srsFromText(reading.metricCrs);
    for (SourceLayer& s : sources)
        readLayer(s, assignment, *target, repair, &reading);
    CPLPopErrorHandler();
    reading.measures = PlanMeasure::measure(reading.features, assignment.unnamedLinesForAllNetworks);
    reading.outsideBaugebiet = PlanMeasure::outsideBaugebiet(reading.features);
    reading.extent = PlanMeasure::extent(reading.features);
    return reading;
}

} // namespace tavo
