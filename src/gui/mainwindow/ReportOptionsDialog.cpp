#include "gui/mainwindow/ReportOptionsDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>

namespace tavo {

ReportOptionsDialog::ReportOptionsDialog(const QStringList& bearers, const ReportOptions& options,
                                         QWidget* parent)
    : QDialog(parent), m_options(options) {
    setObjectName(QStringLiteral("frmBerichtOptionen"));
    setWindowTitle(QStringLiteral("Bericht"));
    auto* form = new QFormLayout;
    m_bearer = new QComboBox(this);
    m_bearer->setObjectName(QStringLiteral("cbKostentraeger"));
    for (const QString& bearer : bearers)
        m_bearer->addItem(bearer, bearer);
    // An empty name stands for all cost bearers together.
    m_bearer->addItem(reportBearerName(QString()), QString());
    const int current = m_bearer->findData(options.costBearer);
    m_bearer->setCurrentIndex(current >= 0 ? current : 0);
    auto* bearerLabel = new QLabel(QStringLiteral("&Kostenträger:"), this);
    bearerLabel->setBuddy(m_bearer);
    form->addRow(bearerLabel, m_bearer);
    m_rate = new QDoubleSpinBox(this);
    m_rate->setObjectName(QStringLiteral("dsZinssatz"));
    m_rate->setRange(-99.0, 100.0);
    m_rate->setDecimals(2);
    m_rate->setSingleStep(0.5);
    m_rate->setSuffix(QStringLiteral(" %"));
    m_rate->setValue(options.discountRate);
    auto* rateLabel = new QLabel(QStringLiteral("&Zinssatz für den Barwert:"), this);
    rateLabel->setBuddy(m_rate);
    form->addRow(rateLabel, m_rate);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Bericht erstellen"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Abbrechen"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

ReportOptions ReportOptionsDialog::options() const {
    ReportOptions options = m_options;
    options.costBearer = m_bearer->currentData().toString();
    options.discountRate = m_rate->value();
    return options;
}

} // namespace tavo
