#include "gui/input/ValueListCombo.h"

#include <QLineEdit>
#include <QLocale>
#include <QSignalBlocker>

#include "core/data/NumberFormat.h"
#include "core/data/Sql.h"
#include "core/data/TavoError.h"
#include "gui/input/ProjectEdit.h"
#include "core/projects/ProjectRecord.h"

const char* const TComboBoxTAVO::ValueListSql =
    "SELECT Beschreibung, Wert, \"Default\" FROM FeldWerte WHERE Tabelle = ? AND Feld = ? ORDER BY Nummer";

namespace {

// Wert is stored locale-neutral ('.' decimals); a number is handed on as a number so the
// column never depends on the user's decimal separator.
QVariant wertAsValue(const QString& wert) {
    bool ok = false;
    const double number = QLocale::c().toDouble(wert.trimmed(), &ok);
    return ok ? QVariant(number) : QVariant(wert);
}

} // namespace

TComboBoxTAVO::TComboBoxTAVO(ProjectRecord& record, ProjectEdit* dbEditEh, QWidget* parent)
    : QComboBox(parent), m_record(record), m_FDBEditEh(dbEditEh) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setMaxVisibleItems(12);
    if (dbEditEh)
        setObjectName(QStringLiteral("cb") + dbEditEh->column());
    // Choosing from the list, and a typed text once it is confirmed (Enter or leaving the field).
    connect(this, &QComboBox::activated, this, [this](int index) { textChosen(itemText(index)); });
    connect(lineEdit(), &QLineEdit::editingFinished, this, [this] {
        if (lineEdit()->isModified())
            textChosen(currentText());
        lineEdit()->setModified(false);
    });
}

void TComboBoxTAVO::Init(const QString& tableName, QSqlQuery& query) {
    if (m_FPrepared)
        return;
    if (!m_FDBEditEh) {
        hide();
        m_FPrepared = true;
        return;
    }
    const QSignalBlocker blocker(this);
    clear();
    m_FValues.clear();
    setEditText(QString());
    query.finish();
    query.bindValue(0, tableName.isEmpty() ? QStringLiteral("TAVO") : tableName);
    query.bindValue(1, m_FDBEditEh->column());
    Sql::execPrepared(query);
    while (query.next()) {
        addItem(query.value(0).toString());
        m_FValues << query.value(1).toString();
        if (query.value(2).toBool())
            m_FDefault = query.value(0).toString();
    }
    setEditText(QString());
    setVisible(count() > 0);
    m_FPrepared = true;
}

int TComboBoxTAVO::indexOfValue(const QVariant& value) const {
    if (value.isNull() || !value.isValid())
        return -1;
    bool isNumber = false;
    const double number = value.typeId() == QMetaType::QString
                              ? QLocale::c().toDouble(value.toString(), &isNumber)
                              : value.toDouble(&isNumber);
    for (int i = 0; i < m_FValues.size(); ++i) {
        bool ok = false;
        const double wert = QLocale::c().toDouble(m_FValues.at(i).trimmed(), &ok);
        if (isNumber && ok ? wert == number
                           : m_FValues.at(i).compare(value.toString(), Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

void TComboBoxTAVO::AfterScroll() {
    if (!isShownList() || !m_FDBEditEh)
        return;
    m_updating = true;
    const QSignalBlocker blocker(this);
    const int index = indexOfValue(m_record.value(m_FDBEditEh->column()));
    setCurrentIndex(index);
    if (index < 0)
        setEditText(QString());
    lineEdit()->setModified(false);
    lineEdit()->setCursorPosition(0); // long descriptions show their beginning
    m_updating = false;
}

void TComboBoxTAVO::AfterInsert() {
    if (!isShownList() || !m_FDBEditEh)
        return;
    {
        const QSignalBlocker blocker(this);
        setEditText(m_FDefault);
        lineEdit()->setCursorPosition(0);
    }
    if (m_FDefault.isEmpty())
        return;
    const int index = findText(m_FDefault, Qt::MatchFixedString);
    if (index >= 0)
        m_record.setValue(m_FDBEditEh->column(), wertAsValue(m_FValues.at(index)));
}

void TComboBoxTAVO::textChosen(const QString& text) {
    if (!isShownList() || m_updating || !m_FDBEditEh)
        return;
    // Items are looked up like a string list does it: case-insensitively.
    const int index = text.isEmpty() ? -1 : findText(text, Qt::MatchFixedString);
    if (!m_record.edit()) // no project row loaded: nothing to write into
        return;
    m_record.setValue(m_FDBEditEh->column(), index >= 0 ? wertAsValue(m_FValues.at(index)) : QVariant());
    AfterScroll();
}
