#pragma once

#include <QGroupBox>
#include <QStringList>

class QButtonGroup;
class QGridLayout;
class QRadioButton;

namespace tavo {

// A captioned group of radio buttons laid out in columns, chosen by position: itemIndex() is the
// position of the checked item, -1 when none is checked. Only a user's click emits clicked().
class ResultRadioGroup : public QGroupBox {
    Q_OBJECT
public:
    ResultRadioGroup(const QString& caption, int columns, QWidget* parent = nullptr);

    // Replaces the items; none is checked afterwards.
    void setItems(const QStringList& items);
    const QStringList& items() const { return m_items; }

    int itemIndex() const;
    // Checks the item at position index (none for -1) without emitting clicked().
    void setItemIndex(int index);
    QString itemText() const { return m_items.value(itemIndex()); }
    QRadioButton* button(int index) const;

Q_SIGNALS:
    void clicked(int index);

private:
    QButtonGroup* m_group = nullptr;
    QGridLayout* m_layout = nullptr;
    QStringList m_items;
    int m_columns = 1;
};

} // namespace tavo
