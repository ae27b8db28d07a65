#pragma once

#include <QDialog>

#include "report/ReportData.h"

class QComboBox;
class QDoubleSpinBox;

namespace tavo {

// Asks whose figures the council report shows (a cost bearer or all together) and the discount
// rate of its net present value, before the report is made.
class ReportOptionsDialog : public QDialog {
    Q_OBJECT
public:
    // bearers: the cost bearers of the master database; options: the choice shown first.
    ReportOptionsDialog(const QStringList& bearers, const ReportOptions& options, QWidget* parent);

    ReportOptions options() const;

private:
    QComboBox* m_bearer = nullptr;
    QDoubleSpinBox* m_rate = nullptr;
    ReportOptions m_options;
};

} // namespace tavo
