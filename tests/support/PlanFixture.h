#pragma once

// Plan files written through GDAL's own API for the tests of the plan reader (header only: only the
// tests that link GDAL include it).

#include <memory>

#include <QMap>
#include <QString>
#include <QStringList>
#include <QVector>

#include <gdal_priv.h>
#include <ogrsf_frmts.h>

namespace tavo {

struct FixtureFeature {
    QString wkt; // in EPSG:31287 metres (fixtureWkt places a figure at the fixture's origin)
    QMap<QString, QString> fields;
};

struct FixtureLayer {
    QString name;
    int epsg = 31287; // 0: the layer carries no reference system
    QStringList fields;
    QVector<FixtureFeature> features;
};

// A point in Lower Austria, so that the reader keeps MGI / Austria Lambert.
constexpr double kFixtureX = 600000.0, kFixtureY = 450000.0;

// The WKT coordinate list of points given in metres from the fixture's origin.
inline QString fixturePoints(const QVector<QPair<double, double>>& points) {
    QStringList items;
    for (const auto& p : points)
        items << QStringLiteral("%1 %2")
                     .arg(kFixtureX + p.first, 0, 'f', 3)
                     .arg(kFixtureY + p.second, 0, 'f', 3);
    return items.join(QLatin1Char(','));
}

// A closed rectangle ring from (x0, y0) to (x1, y1).
inline QString fixtureRing(double x0, double y0, double x1, double y1) {
    return fixturePoints({{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}, {x0, y0}});
}

inline QString fixtureRect(double x0, double y0, double x1, double y1) {
    return QStringLiteral("POLYGON ((%1))").arg(fixtureRing(x0, y0, x1, y1));
}

inline QString fixtureLine(const QVector<QPair<double, double>>& points) {
    return QStringLiteral("LINESTRING (%1)").arg(fixturePoints(points));
}

// Writes the layers with the driver ("GPKG", "ESRI Shapefile", "GeoJSON", "DXF") to path, each
// transformed from EPSG:31287 to the layer's system. Returns an error text, empty when it is written.
inline QString writePlanFixture(const QString& path, const char* driverName,
                                const QVector<FixtureLayer>& layers) {
    GDALAllRegister();
    GDALDriver* driver = GetGDALDriverManager()->GetDriverByName(driverName);
    if (!driver)
        return QStringLiteral("no driver %1").arg(QString::fromUtf8(driverName));
    GDALDatasetUniquePtr ds(driver->Create(path.toUtf8().constData(), 0, 0, 0, GDT_Unknown, nullptr));
    if (!ds)
        return QStringLiteral("cannot create %1").arg(path);
    OGRSpatialReference lambert;
    lambert.importFromEPSG(31287);
    lambert.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    for (const FixtureLayer& fl : layers) {
        OGRSpatialReference srs;
        if (fl.epsg) {
            srs.importFromEPSG(fl.epsg);
            srs.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
        }
        OGRLayer* layer =
            ds->CreateLayer(fl.name.toUtf8().constData(), fl.epsg ? &srs : nullptr, wkbUnknown, nullptr);
        if (!layer)
            return QStringLiteral("cannot create layer %1").arg(fl.name);
        for (const QString& field : fl.fields) {
            OGRFieldDefn defn(field.toUtf8().constData(), OFTString);
            layer->CreateField(&defn);
        }
        struct Destroy {
            void operator()(OGRCoordinateTransformation* ct) const {
                OGRCoordinateTransformation::DestroyCT(ct);
            }
        };
        std::unique_ptr<OGRCoordinateTransformation, Destroy> ct;
        if (fl.epsg && fl.epsg != 31287)
            ct.reset(OGRCreateCoordinateTransformation(&lambert, &srs));
        for (const FixtureFeature& ff : fl.features) {
            OGRGeometry* geometry = nullptr;
            if (OGRGeometryFactory::createFromWkt(ff.wkt.toUtf8().constData(), nullptr, &geometry) !=
                OGRERR_NONE)
                return QStringLiteral("bad WKT %1").arg(ff.wkt);
            std::unique_ptr<OGRGeometry> g(geometry);
            if (ct && g->transform(ct.get()) != OGRERR_NONE)
                return QStringLiteral("cannot transform %1").arg(ff.wkt);
            OGRFeature feature(layer->GetLayerDefn());
            for (auto it = ff.fields.cbegin(); it != ff.fields.cend(); ++it)
                feature.SetField(it.key().toUtf8().constData(), it.value().toUtf8().constData());
            feature.SetGeometry(g.get());
            if (layer->CreateFeature(&feature) != OGRERR_NONE)
                return QStringLiteral("cannot write a feature of %1").arg(fl.name);
        }
    }
    return QString();
}

} // namespace tavo
