#include "core/master/FiscalTemplateXlsx.h"

#include <QFile>
#include <QFileInfo>
#include <QLibrary>
#include <QRegularExpression>

namespace tavo::FiscalTemplateXlsx {

namespace {

// The few functions of GDAL's C interface the reader calls; handles are opaque pointers.
struct Gdal {
    void (*allRegister)() = nullptr;
    void* (*openEx)(const char*, unsigned int, const char* const*, const char* const*,
                    const char* const*) = nullptr;
    void (*close)(void*) = nullptr;
    void* (*getLayer)(void*, int) = nullptr;
    void* (*layerDefn)(void*) = nullptr;
    int (*fieldCount)(void*) = nullptr;
    void* (*fieldDefn)(void*, int) = nullptr;
    const char* (*fieldName)(void*) = nullptr;
    void* (*nextFeature)(void*) = nullptr;
    int (*isSet)(void*, int) = nullptr;
    const char* (*asString)(void*, int) = nullptr;
    void (*destroy)(void*) = nullptr;
    bool loaded = false;
};

template <typename F> bool resolve(QLibrary& library, const char* name, F& target) {
    target = reinterpret_cast<F>(library.resolve(name));
    return target != nullptr;
}

const Gdal& gdal() {
    static const Gdal loaded = [] {
        Gdal g;
        static QLibrary library;
        for (const char* name : {"gdal", "libgdal.so.32"}) {
            library.setFileName(QString::fromLatin1(name));
            if (library.load())
                break;
        }
        if (!library.isLoaded())
            return g;
        g.loaded = resolve(library, "GDALAllRegister", g.allRegister) &&
                   resolve(library, "GDALOpenEx", g.openEx) && resolve(library, "GDALClose", g.close) &&
                   resolve(library, "GDALDatasetGetLayer", g.getLayer) &&
                   resolve(library, "OGR_L_GetLayerDefn", g.layerDefn) &&
                   resolve(library, "OGR_FD_GetFieldCount", g.fieldCount) &&
                   resolve(library, "OGR_FD_GetFieldDefn", g.fieldDefn) &&
                   resolve(library, "OGR_Fld_GetNameRef", g.fieldName) &&
                   resolve(library, "OGR_L_GetNextFeature", g.nextFeature) &&
                   resolve(library, "OGR_F_IsFieldSetAndNotNull", g.isSet) &&
                   resolve(library, "OGR_F_GetFieldAsString", g.asString) &&
                   resolve(library, "OGR_F_Destroy", g.destroy);
        if (g.loaded)
            g.allRegister();
        return g;
    }();
    return loaded;
}

// A number cell of a workbook comes as "1.125" (point, no grouping); written with a decimal comma it
// is read as the number it is, not as a German "1.125" with a thousands point.
QString withDecimalComma(QString cell) {
    static const QRegularExpression decimal(QStringLiteral("^-?[0-9]+\\.[0-9]+$"));
    if (decimal.match(cell).hasMatch())
        cell.replace(QLatin1Char('.'), QLatin1Char(','));
    return cell;
}

constexpr unsigned int kOpenVector = 0x04; // GDAL_OF_VECTOR
constexpr unsigned int kOpenReadOnly = 0x00;

} // namespace

QList<QStringList> readRows(const QString& path, QString* error) {
    const QString fileName = QFileInfo(path).fileName();
    const Gdal& g = gdal();
    if (!g.loaded) {
        *error = QStringLiteral("%1: Excel-Dateien werden mit GDAL gelesen, das nicht installiert ist "
                                "(Paket libgdal32); bitte als CSV speichern.")
                     .arg(fileName);
        return {};
    }
    const char* const drivers[] = {"XLSX", nullptr};
    const char* const options[] = {"HEADERS=FORCE", "FIELD_TYPES=STRING", nullptr};
    void* dataset =
        g.openEx(QFile::encodeName(path).constData(), kOpenVector | kOpenReadOnly, drivers, options, nullptr);
    if (!dataset) {
        *error = QStringLiteral("%1: keine lesbare Excel-Arbeitsmappe (.xlsx).").arg(fileName);
        return {};
    }
    QList<QStringList> rows;
    void* layer = g.getLayer(dataset, 0);
    if (layer) {
        void* defn = g.layerDefn(layer);
        const int count = g.fieldCount(defn);
        QStringList header;
        for (int i = 0; i < count; ++i)
            header << QString::fromUtf8(g.fieldName(g.fieldDefn(defn, i)));
        rows << header;
        while (void* feature = g.nextFeature(layer)) {
            QStringList cells;
            for (int i = 0; i < count; ++i)
                cells << (g.isSet(feature, i) ? withDecimalComma(QString::fromUtf8(g.asString(feature, i)))
                                              : QString());
            rows << cells;
            g.destroy(feature);
        }
    }
    g.close(dataset);
    return rows;
}

} // namespace tavo::FiscalTemplateXlsx
