#include "gui/projects/MunicipalityDialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>

#include "core/data/Sql.h"
#include "core/data/TavoError.h"

namespace {

// The search text as the beginning of a LIKE pattern: its own % and _ match only themselves.
QString prefixPattern(const QString& text) {
    QString escaped = text;
    escaped.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    escaped.replace(QLatin1Char('%'), QStringLiteral("\\%"));
    escaped.replace(QLatin1Char('_'), QStringLiteral("\\_"));
    return escaped + QLatin1Char('%');
}

} // namespace

TfrmAuswahlPG::TfrmAuswahlPG(const QSqlDatabase& master, QWidget* parent)
    : QDialog(parent), m_master(master) {
    setWindowTitle(QStringLiteral("politische Gemeinde wählen..."));
    setObjectName(QStringLiteral("frmAuswahlPG"));
    // Tahoma 8 point, or the usual font where Tahoma is not installed.
    QFont tahoma = font();
    tahoma.setFamilies({QStringLiteral("Tahoma"), tahoma.family()});
    tahoma.setPointSize(8);
    setFont(tahoma);

    auto* label = new QLabel(QStringLiteral("PG_Name_Suche:"), this);
    m_edPG_Name = new QLineEdit(this);
    m_edPG_Name->setObjectName(QStringLiteral("edPG_Name"));
    label->setBuddy(m_edPG_Name);

    m_GridPG_Name = new QTableView(this);
    m_GridPG_Name->setObjectName(QStringLiteral("GridPG_Name"));
    m_GridPG_Name->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_GridPG_Name->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_GridPG_Name->setSelectionMode(QAbstractItemView::SingleSelection);
    m_GridPG_Name->verticalHeader()->setDefaultSectionSize(m_GridPG_Name->fontMetrics().height() + 6);
    m_QueryPG_Name = new QSqlQueryModel(this);
    m_GridPG_Name->setModel(m_QueryPG_Name);

    m_btAbbrechen = new QPushButton(QStringLiteral("Abbruch"), this);
    m_btAbbrechen->setObjectName(QStringLiteral("btAbbrechen"));
    m_btOK = new QPushButton(QStringLiteral("OK"), this);
    m_btOK->setObjectName(QStringLiteral("btOK"));
    m_btOK->setDefault(true);

    auto* search = new QHBoxLayout;
    search->addWidget(label);
    search->addWidget(m_edPG_Name, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_btAbbrechen);
    buttons->addWidget(m_btOK);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(search);
    layout->addWidget(m_GridPG_Name, 1);
    layout->addLayout(buttons);

    connect(m_edPG_Name, &QLineEdit::textChanged, this, &TfrmAuswahlPG::edPG_NameChange);
    connect(m_GridPG_Name, &QTableView::clicked, this, &TfrmAuswahlPG::updateOkButton);
    connect(m_GridPG_Name, &QTableView::doubleClicked, this, &TfrmAuswahlPG::GridPG_NameDblClick);
    connect(m_btOK, &QPushButton::clicked, this, &TfrmAuswahlPG::btOKClick);
    connect(m_btAbbrechen, &QPushButton::clicked, this, &QDialog::reject);

    edPG_NameChange();
    m_GridPG_Name->resizeColumnsToContents();
    const int gridWidth = m_GridPG_Name->verticalHeader()->sizeHint().width() +
                          m_GridPG_Name->horizontalHeader()->length() + 2 * m_GridPG_Name->frameWidth() +
                          m_GridPG_Name->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 4;
    m_GridPG_Name->setMinimumWidth(gridWidth);
    // Room for a dozen municipalities without scrolling.
    m_GridPG_Name->setMinimumHeight(m_GridPG_Name->horizontalHeader()->sizeHint().height() +
                                    12 * m_GridPG_Name->verticalHeader()->defaultSectionSize() +
                                    2 * m_GridPG_Name->frameWidth());
    m_edPG_Name->setFocus();
}

TfrmAuswahlPG::~TfrmAuswahlPG() {
    // The model's query must be gone before the connection may be closed by its owner.
    m_QueryPG_Name->clear();
}

// Runs the search for the names that begin with the typed text, ordered by name, first row selected.
void TfrmAuswahlPG::edPG_NameChange() {
    const QString text = m_edPG_Name->text();
    QSqlQuery query(m_master);
    try {
        if (text.isEmpty()) {
            Sql::prepare(query, QStringLiteral("SELECT * from PG\nORDER BY PG_Name"));
        } else {
            Sql::prepare(query, QStringLiteral(
                                    "SELECT * from PG\nWHERE PG_Name like ? ESCAPE '\\'\nORDER BY PG_Name"));
            query.addBindValue(prefixPattern(text));
        }
        Sql::execPrepared(query);
    } catch (const TavoError& e) {
        QMessageBox::critical(this, windowTitle(), e.message());
        return;
    }
    m_QueryPG_Name->setQuery(std::move(query));
    while (m_QueryPG_Name->canFetchMore())
        m_QueryPG_Name->fetchMore();
    if (m_QueryPG_Name->rowCount() > 0)
        m_GridPG_Name->selectRow(0);
    updateOkButton();
}

void TfrmAuswahlPG::updateOkButton() {
    m_btOK->setEnabled(m_GridPG_Name->currentIndex().isValid() && m_QueryPG_Name->rowCount() > 0);
}

void TfrmAuswahlPG::btOKClick() {
    const QModelIndex current = m_GridPG_Name->currentIndex();
    if (!current.isValid())
        return;
    m_FPG = m_QueryPG_Name->data(m_QueryPG_Name->index(current.row(), 0)).toInt();
    accept();
}

void TfrmAuswahlPG::GridPG_NameDblClick() {
    if (m_QueryPG_Name->rowCount() == 0 || !m_GridPG_Name->currentIndex().isValid())
        return;
    btOKClick();
}
