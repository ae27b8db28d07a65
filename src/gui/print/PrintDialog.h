#pragma once

#include <QDialog>
#include <QFont>
#include <QPageLayout>

#include "gui/print/TablePrinter.h"

class QCheckBox;
class QLineEdit;
class QPrinter;

namespace tavo {

// What a print request hands to the print dialog: the dataset as shown by its grid (model, columns
// with titles, widths, formats and alignments, footer cells), the project the printout belongs to,
// the name of the table ("Ausgaben", "Bewohner", ...) and its active filters ("Kostenträger:
// Gemeinde", ...), which the printout names on every page.
struct PrintJob {
    QPointer<QAbstractItemModel> model;
    QList<PrintColumn> columns;
    QStringList footer;
    QString id;
    QString pg;
    QString pgName;
    QString beschreibung;
    QString projekt;
    QString table;
    QStringList filters;
};

// The print dialog "drucke Auswahl": page header and footer texts and fonts, fitting to the page
// width, preview and print (also to a PDF file). Each job fills the texts with what the printout
// shows, as it will be printed: table, project and municipality, the date, the filters and "Seite 1
// von N" (the page number counts on every page); the user may change them for this printout.
// Created once per main window and kept, so the fonts and the fit option stay as the user left them.
class PrintDialog : public QDialog {
    Q_OBJECT
public:
    // provenance: the line saying where the master data come from, printed above every page's
    // footer (none when empty).
    explicit PrintDialog(QWidget* parent, const QString& provenance = QString());

    // Shows the dialog modally for this job.
    void printModel(const PrintJob& job);

    // Sets the job and the texts it is named by, without showing the dialog.
    void setJob(const PrintJob& job);

    // The dialog's settings as a printout: before-grid text from the project, header and footer texts
    // and fonts, the fit option.
    PrintOptions printOptions() const;
    PrintTable printTable() const;

    // Prints the current job with the current settings onto printer; returns the number of pages.
    int printTo(QPrinter* printer) const;

    // Prints the current job as an A4 PDF file, written in one piece (a failure keeps the previous
    // file); a database the program has open is refused. Throws TavoError with a German message
    // naming the file.
    void writePdf(const QString& file, QPageLayout::Orientation orientation) const;

    QFont headerFont() const { return m_headerFont; }
    QFont footerFont() const { return m_footerFont; }

protected:
    // Closing the dialog, by any button, remembers its settings for the next start.
    void done(int result) override;

private:
    void buildLayout();
    void restoreSettings();
    void saveSettings() const;
    void onPreviewClicked();
    void onPrintClicked();
    void onHeaderFontClicked();
    void onFooterFontClicked();
    bool chooseFont(QFont& font);
    void fillTexts();

    QLineEdit* m_headerLeft = nullptr;
    QLineEdit* m_headerCentre = nullptr;
    QLineEdit* m_headerRight = nullptr;
    QLineEdit* m_footerLeft = nullptr;
    QLineEdit* m_footerCentre = nullptr;
    QLineEdit* m_footerRight = nullptr;
    QLineEdit* m_footerNote = nullptr;
    QCheckBox* m_fitColumns = nullptr;
    QFont m_headerFont;
    QFont m_footerFont;
    PrintJob m_job;
    QString m_provenance;
};

} // namespace tavo
