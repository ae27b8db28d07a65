#pragma once

#include <QFrame>

class QPushButton;

namespace tavo {

// The bar above a result page whose results belong to earlier inputs: "Eingaben seit der letzten
// Berechnung geändert" on a yellow ground, with a "Berechnen" button. Hidden while the results are
// current.
class OutdatedBar : public QFrame {
    Q_OBJECT
public:
    explicit OutdatedBar(QWidget* parent = nullptr);

    QPushButton* calculateButton() const { return m_calculate; }

Q_SIGNALS:
    // The bar's "Berechnen" was clicked.
    void calculateRequested();

private:
    QPushButton* m_calculate = nullptr;
};

} // namespace tavo
