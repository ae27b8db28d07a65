#pragma once

#include <QWidget>

#include "core/plan/PlanTypes.h"

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QTableWidget;

namespace tavo {

class PlanView;

// The page "Plan" of the main window: the project's stored plan drawn with legend, scale bar and
// north arrow, zoom buttons, the measured figures beside it and what a click on a feature picked.
// "Plan einlesen…" starts reading a plan file (the owner connects readRequested); "Als PDF…" prints
// the plan to scale at the chosen 1:1000, 1:2000 or 1:5000.
class PlanPage : public QWidget {
    Q_OBJECT
public:
    explicit PlanPage(QWidget* parent = nullptr);

    // Shows this plan (a reading with an empty file: "no plan read yet").
    void showPlan(const PlanReading& plan);
    // The name the PDF's title carries (the project's).
    void setCaption(const QString& caption) { m_caption = caption; }

    PlanView* view() const { return m_view; }
    QListWidget* legend() const { return m_legend; }
    QTableWidget* figures() const { return m_figures; }
    QLabel* selection() const { return m_selection; }
    QComboBox* scaleChoice() const { return m_scale; }
    // The scale chosen for printing (1000, 2000 or 5000).
    int chosenScale() const;

    // Writes the plan to scale into a PDF file; throws TavoError.
    void writePdf(const QString& fileName) const;

Q_SIGNALS:
    void readRequested();

private:
    void onFeatureClicked(int index);
    void onPdfClicked();

    PlanView* m_view = nullptr;
    QLabel* m_source = nullptr;
    QListWidget* m_legend = nullptr;
    QTableWidget* m_figures = nullptr;
    QLabel* m_selection = nullptr;
    QComboBox* m_scale = nullptr;
    QPushButton* m_pdf = nullptr;
    QString m_caption;
};

} // namespace tavo
