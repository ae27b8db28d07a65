// "SELECT * FROM TAVO" in a comment is no statement.
#include "core/data/Transaction.h"
#include "core/projects/ProjectRecords.h"
const char* icon = "nav-delete";
const QString text = QStringLiteral("Datensatz löschen? Bitte Auswahl treffen (selected).");
int n = MySql::count();
