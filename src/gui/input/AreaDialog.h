#pragma once

#include <QDialog>

class QGridLayout;
class QLineEdit;
class QPushButton;

namespace tavo {

// The area dialog of the connecting road: running metres times width gives the area. It opens with
// the road's area and the default width of 8.5 m and shows the running metres that fit; leaving the
// running metres or the width computes the area again, as does every keystroke; while one of them is
// no number the area is empty and OK is disabled. Numbers follow the user's locale.
class AreaDialog : public QDialog {
    Q_OBJECT
public:
    explicit AreaDialog(QWidget* parent = nullptr);

    // The area the dialog starts with (shown as a whole number).
    void setArea(double area);

    // The values after the dialog was confirmed.
    double area() const;
    double runningMetres() const;

    QLineEdit* runningMetresEdit() const { return m_runningMetresEdit; }
    QLineEdit* widthEdit() const { return m_widthEdit; }
    QLineEdit* areaEdit() const { return m_areaEdit; }
    QPushButton* okButton() const { return m_ok; }

    // Leaving the running metres or the width: area := running metres * width. Returns false
    // (after a German message) when one of them is no number; the area is then empty.
    bool onLengthOrWidthEntered();

protected:
    // onFirstShow: the running metres that the area holds at the width, truncated.
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // OK: a pending change of the running metres or the width is computed first; an invalid
    // number keeps the dialog open.
    void accept() override;

private:
    // Every change of the running metres or the width: the area of the values shown, or an empty
    // area and a disabled OK button while one of them is no number. False in that case.
    bool updateArea();
    QLineEdit* addInput(QGridLayout* grid, const QString& caption, const char* objectName);
    void showError(const QString& message);

    QLineEdit* m_runningMetresEdit;
    QLineEdit* m_widthEdit;
    QLineEdit* m_areaEdit;
    QPushButton* m_ok;
    bool m_pendingChange = false;
};

} // namespace tavo
