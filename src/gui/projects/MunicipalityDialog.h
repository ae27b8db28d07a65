#pragma once

#include <QDialog>
#include <QSqlDatabase>

class QLineEdit;
class QPushButton;
class QSqlQueryModel;
class QTableView;

// The municipality chooser: the user types the beginning of a municipality's name, picks one of the
// matching rows of table PG and confirms. After OK, FPG() holds the chosen municipality number.
class TfrmAuswahlPG : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAuswahlPG(const QSqlDatabase& master, QWidget* parent = nullptr);
    ~TfrmAuswahlPG() override;

    int FPG() const { return m_FPG; }

    QLineEdit* edPG_Name() const { return m_edPG_Name; }
    QTableView* GridPG_Name() const { return m_GridPG_Name; }
    QPushButton* btOK() const { return m_btOK; }
    QPushButton* btAbbrechen() const { return m_btAbbrechen; }

private:
    void edPG_NameChange();
    void updateOkButton();
    void btOKClick();
    void GridPG_NameDblClick();

    QSqlDatabase m_master;
    int m_FPG = 0;
    QLineEdit* m_edPG_Name = nullptr;
    QTableView* m_GridPG_Name = nullptr;
    QSqlQueryModel* m_QueryPG_Name = nullptr;
    QPushButton* m_btOK = nullptr;
    QPushButton* m_btAbbrechen = nullptr;
};
