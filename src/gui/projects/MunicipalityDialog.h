#pragma once

#include <QDialog>
#include <QSqlDatabase>

class QLineEdit;
class QPushButton;
class QSqlQueryModel;
class QTableView;

namespace tavo {

// The municipality chooser: the user types the beginning of a municipality's name, picks one of the
// matching rows of table PG and confirms. After OK, municipality() holds the chosen municipality number.
class MunicipalityDialog : public QDialog {
    Q_OBJECT
public:
    explicit MunicipalityDialog(const QSqlDatabase& master, QWidget* parent = nullptr);
    ~MunicipalityDialog() override;

    int municipality() const { return m_municipality; }

    QLineEdit* nameEdit() const { return m_nameEdit; }
    QTableView* municipalityList() const { return m_municipalityList; }
    QPushButton* okButton() const { return m_okButton; }
    QPushButton* cancelButton() const { return m_cancelButton; }

private:
    void onNameEdited();
    void updateOkButton();
    void onOkClicked();
    void onListDoubleClicked();

    QSqlDatabase m_master;
    int m_municipality = 0;
    QLineEdit* m_nameEdit = nullptr;
    QTableView* m_municipalityList = nullptr;
    QSqlQueryModel* m_municipalities = nullptr;
    QPushButton* m_okButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
};

} // namespace tavo
