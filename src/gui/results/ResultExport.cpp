#include "gui/results/ResultExport.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QRegularExpression>
#include <QSqlQueryModel>

#include "core/data/OutputFile.h"
#include "core/data/TavoError.h"
#include "core/results/ExportTable.h"
#include "core/results/XlsxWorkbook.h"
#include "gui/common/Questions.h"

namespace tavo {

namespace ResultExport {

QString excelFilter() {
    return QStringLiteral("Excel-Arbeitsmappe (*.xlsx)");
}

QString csvFilter() {
    return QStringLiteral("CSV für Tabellenkalkulation (*.csv)");
}

void writeTable(const QString& path, const ExportTable& table) {
    OutputFile::checkTarget(path, OutputFile::databasesInUse());
    if (path.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive)) {
        XlsxWorkbook::writeTable(path, table);
        return;
    }
    OutputFile::write(path, table.csv());
}

QString fileNameOf(const QString& text) {
    static const QRegularExpression forbidden(QStringLiteral("[/\\\\:*?\"<>|\\x00-\\x1f]+"));
    return QString(text).replace(forbidden, QStringLiteral(" ")).simplified();
}

bool saveDataset(QWidget* parent, const QSqlQueryModel& dataset, const QString& name,
                 const QStringList& totalFields, const QString& fileName) {
    QString filter = excelFilter();
    const QString suggested = fileNameOf(fileName.isEmpty() ? name : fileName);
    QString path = QFileDialog::getSaveFileName(parent, QStringLiteral("Exportieren"),
                                                QDir::home().filePath(suggested + QStringLiteral(".xlsx")),
                                                excelFilter() + QStringLiteral(";;") + csvFilter(), &filter);
    if (path.isEmpty())
        return false;
    // A name typed without its ending gets the one of the chosen filter.
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix != QLatin1String("xlsx") && suffix != QLatin1String("csv"))
        path += filter == csvFilter() ? QStringLiteral(".csv") : QStringLiteral(".xlsx");
    try {
        writeTable(path, ExportTable::fromModel(name, dataset, totalFields));
    } catch (const TavoError& e) {
        QMessageBox::critical(parent, QStringLiteral("TAVO"), e.message());
        return false;
    }
    Questions::announceSaved(parent, path);
    return true;
}

} // namespace ResultExport

} // namespace tavo
