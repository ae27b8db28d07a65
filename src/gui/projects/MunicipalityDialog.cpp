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

#include "core/data/MasterData.h"
#include "core/data/TavoError.h"
#include "gui/common/ListModel.h"
#include "gui/common/ProvenanceLabel.h"

namespace tavo {

MunicipalityDialog::MunicipalityDialog(const QSqlDatabase& master, QWidget* parent)
    : QDialog(parent), m_master(master) {
    setWindowTitle(QStringLiteral("politische Gemeinde wählen..."));
    setObjectName(QStringLiteral("frmAuswahlPG"));
    // Tahoma 8 point, or the usual font where Tahoma is not installed.
    QFont tahoma = font();
    tahoma.setFamilies({QStringLiteral("Tahoma"), tahoma.family()});
    tahoma.setPointSize(8);
    setFont(tahoma);

    auto* label = new QLabel(QStringLiteral("Gemeinde &suchen:"), this);
    m_nameEdit = new QLineEdit(this);
    m_nameEdit->setObjectName(QStringLiteral("edPG_Name"));
    label->setBuddy(m_nameEdit);

    m_municipalityList = new QTableView(this);
    m_municipalityList->setObjectName(QStringLiteral("GridPG_Name"));
    m_municipalityList->setAccessibleName(QStringLiteral("Gemeinden"));
    m_municipalityList->setAccessibleDescription(
        QStringLiteral("Die politischen Gemeinden, eingeschränkt auf die gesuchte Namensfolge"));
    m_municipalityList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_municipalityList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_municipalityList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_municipalityList->verticalHeader()->setDefaultSectionSize(m_municipalityList->fontMetrics().height() + 6);
    auto* municipalities = new ListModel(this);
    municipalities->setTitle(QStringLiteral("ID"), QStringLiteral("PG-Nr."));
    municipalities->setTitle(QStringLiteral("PG_Name"), QStringLiteral("Gemeinde"));
    municipalities->setTitle(QStringLiteral("Fläche_km2"), QStringLiteral("Fläche (km²)"));
    m_municipalities = municipalities;
    m_municipalityList->setModel(m_municipalities);

    m_cancelButton = new QPushButton(QStringLiteral("Abbruch"), this);
    m_cancelButton->setObjectName(QStringLiteral("btAbbrechen"));
    m_okButton = new QPushButton(QStringLiteral("OK"), this);
    m_okButton->setObjectName(QStringLiteral("btOK"));
    m_okButton->setDefault(true);

    auto* search = new QHBoxLayout;
    search->addWidget(label);
    search->addWidget(m_nameEdit, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_cancelButton);
    buttons->addWidget(m_okButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(search);
    layout->addWidget(m_municipalityList, 1);
    // Which data set the municipalities come from, right where one is chosen.
    layout->addWidget(makeProvenanceLabel(windowProvenance(m_master), this));
    layout->addLayout(buttons);

    connect(m_nameEdit, &QLineEdit::textChanged, this, &MunicipalityDialog::onNameEdited);
    connect(m_municipalityList, &QTableView::clicked, this, &MunicipalityDialog::updateOkButton);
    connect(m_municipalityList, &QTableView::doubleClicked, this, &MunicipalityDialog::onListDoubleClicked);
    connect(m_okButton, &QPushButton::clicked, this, &MunicipalityDialog::onOkClicked);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    onNameEdited();
    m_municipalityList->resizeColumnsToContents();
    const int gridWidth = m_municipalityList->verticalHeader()->sizeHint().width() +
                          m_municipalityList->horizontalHeader()->length() +
                          2 * m_municipalityList->frameWidth() +
                          m_municipalityList->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 4;
    m_municipalityList->setMinimumWidth(gridWidth);
    // Room for a dozen municipalities without scrolling.
    m_municipalityList->setMinimumHeight(m_municipalityList->horizontalHeader()->sizeHint().height() +
                                    12 * m_municipalityList->verticalHeader()->defaultSectionSize() +
                                    2 * m_municipalityList->frameWidth());
    m_nameEdit->setFocus();
}

MunicipalityDialog::~MunicipalityDialog() {
    // The model's query must be gone before the connection may be closed by its owner.
    m_municipalities->clear();
}

// Runs the search for the names that begin with the typed text, ordered by name, first row selected.
void MunicipalityDialog::onNameEdited() {
    try {
        m_municipalities->setQuery(MasterData::municipalities(m_master, m_nameEdit->text()));
    } catch (const TavoError& e) {
        QMessageBox::critical(this, windowTitle(), e.message());
        return;
    }
    while (m_municipalities->canFetchMore())
        m_municipalities->fetchMore();
    if (m_municipalities->rowCount() > 0)
        m_municipalityList->selectRow(0);
    updateOkButton();
}

void MunicipalityDialog::updateOkButton() {
    m_okButton->setEnabled(m_municipalityList->currentIndex().isValid() && m_municipalities->rowCount() > 0);
}

void MunicipalityDialog::onOkClicked() {
    const QModelIndex current = m_municipalityList->currentIndex();
    if (!current.isValid())
        return;
    m_municipality = m_municipalities->data(m_municipalities->index(current.row(), 0)).toInt();
    accept();
}

void MunicipalityDialog::onListDoubleClicked() {
    if (m_municipalities->rowCount() == 0 || !m_municipalityList->currentIndex().isValid())
        return;
    onOkClicked();
}

} // namespace tavo
