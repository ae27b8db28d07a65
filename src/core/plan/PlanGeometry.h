#pragma once

#include <memory>

#include <ogr_geometry.h>
#include <ogr_spatialref.h>

#include "core/plan/PlanTypes.h"

namespace tavo {

// GDAL-side helpers of the plan reader (library tavo_plan).
namespace PlanGeometry {

struct SrsDeleter {
    void operator()(OGRSpatialReference* srs) const { srs->Release(); }
};
using SrsPtr = std::unique_ptr<OGRSpatialReference, SrsDeleter>;

struct TransformDeleter {
    void operator()(OGRCoordinateTransformation* ct) const { OGRCoordinateTransformation::DestroyCT(ct); }
};
using TransformPtr = std::unique_ptr<OGRCoordinateTransformation, TransformDeleter>;

// A reference system from "EPSG:N" or any definition GDAL accepts, with x = easting/longitude;
// nullptr for a text GDAL does not understand.
SrsPtr srsFromText(const QString& text);
// A copy of a layer's reference system with x = easting/longitude.
SrsPtr traditionalCopy(const OGRSpatialReference& srs);
// False for the placeholders of formats that must name a system ("Undefined geographic SRS" of a
// GeoPackage layer written without one).
bool isDefined(const OGRSpatialReference& srs);
// "EPSG:N" where the system carries an authority code, else its name.
QString srsText(const OGRSpatialReference& srs);

// The metric system for a place given in longitude/latitude: MGI / Austria Lambert (EPSG:31287)
// inside Austria's bounding box, else the UTM zone (WGS 84) of the place.
QString metricCrsFor(double lon, double lat);

// Fills kind, parts, area and length of a feature from a geometry in metric coordinates. A closed
// line in an area role (a DXF polyline) is taken as a polygon. False when the geometry holds
// nothing of the kind the role needs.
bool fillFeature(const OGRGeometry& geometry, PlanFeature* feature);

} // namespace PlanGeometry

} // namespace tavo
