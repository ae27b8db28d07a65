#include "gui/input/DetailGrid.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QScrollBar>
#include <QSqlRecord>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "core/data/NumberFormat.h"
#include "core/data/TavoError.h"
#include "core/data/Transaction.h"
#include "core/projects/InputCheck.h"
#include "gui/common/GridFooter.h"

namespace tavo {

namespace {

const char* const kCaption = "TAVO - Tavorechner";

// Edits a cell: a drop-down for pick-list columns (shows the description, stores the key), a line
// edit for the others; a typed number follows the user's locale.
class DetailDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                          const QModelIndex& index) const override {
        const auto* model = qobject_cast<const DetailModel*>(index.model());
        if (model && !model->keys(index.column()).isEmpty()) {
            auto* combo = new QComboBox(parent);
            const QStringList picks = model->picks(index.column());
            const QStringList keys = model->keys(index.column());
            for (int i = 0; i < picks.size(); ++i)
                combo->addItem(picks[i], keys.value(i));
            // A number is typed freely; its list only suggests. No completion: typing 3 must not
            // turn into the 30 of the list.
            if (model->column(index.column()).kind != DetailColumn::Text) {
                combo->setEditable(true);
                combo->setInsertPolicy(QComboBox::NoInsert);
                combo->setCompleter(nullptr);
            }
            return combo;
        }
        // Numbers too: Qt's own editor of a number is a spin box, whose arrow keys change the value
        // while the user means to move between rows, and which keeps only two decimals.
        auto* edit = new QLineEdit(parent);
        edit->setFrame(false);
        if (model && model->column(index.column()).kind == DetailColumn::Text)
            edit->setMaxLength(
                InputCheck::maxTextLength(QString::fromUtf8(model->column(index.column()).field)));
        return edit;
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        const auto* model = qobject_cast<const DetailModel*>(index.model());
        if (auto* combo = qobject_cast<QComboBox*>(editor)) {
            const QString shown = model->displayText(index.row(), index.column());
            combo->setCurrentIndex(combo->findText(shown));
            if (combo->isEditable()) {
                combo->setEditText(shown);
                combo->lineEdit()->selectAll();
            }
            return;
        }
        if (auto* edit = qobject_cast<QLineEdit*>(editor)) {
            const bool text = model->column(index.column()).kind == DetailColumn::Text;
            const QVariant value = index.data(Qt::EditRole);
            edit->setText(text || value.isNull() ? value.toString()
                                                 : NumberFormat::general(NumberFormat::toDouble(value)));
            return;
        }
        QStyledItemDelegate::setEditorData(editor, index);
    }

    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override {
        if (auto* combo = qobject_cast<QComboBox*>(editor)) {
            if (!combo->isEditable()) {
                if (combo->currentIndex() >= 0)
                    model->setData(index, combo->currentData());
                return;
            }
            // An entry of the list ("35 %" as shown, case aside) stores its key; any other text is a
            // typed number, a trailing "%" allowed.
            const QString text = combo->currentText().trimmed();
            const int entry = combo->findText(text, Qt::MatchFixedString);
            QString typed = text;
            if (typed.endsWith(QLatin1Char('%')))
                typed = typed.chopped(1).trimmed();
            storeTyped(combo, model, index, entry >= 0 ? combo->itemData(entry) : QVariant(typed));
            return;
        }
        if (auto* edit = qobject_cast<QLineEdit*>(editor)) {
            storeTyped(edit, model, index, edit->text());
            return;
        }
        QStyledItemDelegate::setModelData(editor, model, index);
    }

private:
    // Stores value, or names why the column refuses it; the cell keeps its previous value then.
    static void storeTyped(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index,
                           const QVariant& value) {
        const auto* detail = qobject_cast<const DetailModel*>(model);
        const QString refusal = detail ? detail->refusal(index.column(), value) : QString();
        if (refusal.isEmpty() && model->setData(index, value))
            return;
        QMessageBox::warning(
            editor->window(), QString::fromUtf8(kCaption),
            refusal.isEmpty()
                ? QStringLiteral("'%1' ist keine gültige Zahl.").arg(NumberFormat::excerpt(value.toString()))
                : refusal);
    }
};

struct NavigatorButton {
    const char* objectName;
    const char* symbol;
    const char* hint;
};

const NavigatorButton kNavigatorButtons[] = {
    {"btEinfuegen", "+", "Datensatz einfügen"},         {"btLoeschen", "\u2212", "Datensatz löschen"},
    {"btBearbeiten", "\u25b2", "Datensatz bearbeiten"}, {"btSpeichern", "\u2713", "Daten speichern"},
    {"btVerwerfen", "\u2715", "Bearbeiten abbrechen"},  {"btAktualisieren", "\u21bb", "Daten aktualisieren"},
};

} // namespace

DetailGrid::DetailGrid(QSqlDatabase userDb, const QString& table, std::vector<DetailColumn> columns,
                       bool navigator, QWidget* parent)
    : QWidget(parent), m_model(new DetailModel(userDb, table, std::move(columns), this)),
      m_view(new QTableView(this)) {
    setObjectName(QStringLiteral("Grid") + table);
    m_view->setObjectName(QStringLiteral("view") + table);
    m_view->setModel(m_model);
    m_view->setItemDelegate(new DetailDelegate(m_view));
    m_view->setEditTriggers(QAbstractItemView::AllEditTriggers);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->verticalHeader()->setDefaultSectionSize(m_view->fontMetrics().height() + 6);
    m_view->verticalHeader()->setFixedWidth(14);
    m_view->horizontalHeader()->setHighlightSections(false);
    // The given widths, widened where the column title would be cut off in the font in use.
    for (int c = 0; c < m_model->columnCount(); ++c) {
        const QString title = m_model->headerData(c, Qt::Horizontal).toString();
        const int needed = m_view->horizontalHeader()->fontMetrics().horizontalAdvance(title) + 12;
        m_view->horizontalHeader()->resizeSection(c, qMax(m_model->column(c).width, needed));
    }
    m_footer = new GridFooter(m_view, this);
    m_footer->setTextProvider([this](int column) { return footerText(column); });
    bool anySum = false;
    for (int c = 0; c < m_model->columnCount(); ++c)
        anySum = anySum || m_model->column(c).footerSum;
    m_footer->setVisible(anySum);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    if (navigator) {
        layout->addWidget(buildNavigator());
    }
    layout->addWidget(m_view, 1);
    layout->addWidget(m_footer);

    connect(m_view->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current, const QModelIndex& previous) {
                currentRowChanged(current.row(), previous.row());
            });
    connect(m_model, &DetailModel::contentsChanged, this, [this] {
        m_footer->update();
        afterRecalc();
        Q_EMIT sumsRecalculated();
    });
}

QWidget* DetailGrid::buildNavigator() {
    auto* bar = new QWidget(this);
    m_navigator = bar;
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 2);
    row->setSpacing(1);
    for (const NavigatorButton& b : kNavigatorButtons) {
        auto* button = new QToolButton(bar);
        button->setObjectName(QString::fromUtf8(b.objectName));
        button->setText(QString::fromUtf8(b.symbol));
        button->setToolTip(QString::fromUtf8(b.hint));
        button->setFixedSize(24, 22);
        row->addWidget(button);
    }
    row->addStretch(1);
    const auto guarded = [this](void (DetailGrid::*action)()) {
        return [this, action] {
            try {
                (this->*action)();
            } catch (const TavoError& e) {
                reportError(e.message());
            }
        };
    };
    connect(navigatorButton(QStringLiteral("btEinfuegen")), &QToolButton::clicked, this,
            guarded(&DetailGrid::insertRow));
    connect(navigatorButton(QStringLiteral("btLoeschen")), &QToolButton::clicked, this,
            guarded(&DetailGrid::deleteCurrentRow));
    connect(navigatorButton(QStringLiteral("btBearbeiten")), &QToolButton::clicked, this, [this] {
        if (m_view->currentIndex().isValid())
            m_view->edit(m_view->currentIndex());
    });
    connect(navigatorButton(QStringLiteral("btSpeichern")), &QToolButton::clicked, this,
            guarded(&DetailGrid::post));
    connect(navigatorButton(QStringLiteral("btVerwerfen")), &QToolButton::clicked, this,
            guarded(&DetailGrid::cancel));
    connect(navigatorButton(QStringLiteral("btAktualisieren")), &QToolButton::clicked, this,
            guarded(&DetailGrid::refresh));
    return bar;
}

QToolButton* DetailGrid::navigatorButton(const QString& objectName) const {
    return m_navigator ? m_navigator->findChild<QToolButton*>(objectName) : nullptr;
}

void DetailGrid::open(int projectId) {
    m_model->load(projectId);
}

void DetailGrid::closeOpenEditor(bool commit) {
    // Cell editors are the children of the view's viewport; this grid places no other widgets there.
    const auto editors = m_view->viewport()->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    for (QWidget* editor : editors) {
        if (!editor->isVisible())
            continue;
        if (commit)
            Q_EMIT m_view->itemDelegate()->commitData(editor);
        Q_EMIT m_view->itemDelegate()->closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

void DetailGrid::post() {
    closeOpenEditor(true);
    m_model->submitAll();
}

bool DetailGrid::isModified() const {
    if (m_model->isDirty())
        return true;
    const auto editors = m_view->viewport()->findChildren<QLineEdit*>(QString(), Qt::FindDirectChildrenOnly);
    for (const QLineEdit* editor : editors)
        if (editor->isVisible() && editor->isModified())
            return true;
    // A number typed into a share's drop-down.
    const auto combos = m_view->viewport()->findChildren<QComboBox*>(QString(), Qt::FindDirectChildrenOnly);
    for (const QComboBox* combo : combos)
        if (combo->isVisible() && combo->isEditable() && combo->lineEdit()->isModified())
            return true;
    return false;
}

void DetailGrid::cancel() {
    closeOpenEditor(false);
    m_model->revertAll();
}

void DetailGrid::refresh() {
    post();
    m_model->load(m_model->projectId());
}

void DetailGrid::insertRow() {
    const int row = m_model->appendRow();
    const QModelIndex index = m_model->index(row, 0);
    m_view->setCurrentIndex(index);
    m_view->edit(index);
}

void DetailGrid::deleteCurrentRow() {
    const QModelIndex current = m_view->currentIndex();
    if (!current.isValid())
        return;
    if (QMessageBox::question(this, QString::fromUtf8(kCaption), QStringLiteral("Datensatz löschen?"),
                              QMessageBox::Ok | QMessageBox::Cancel) != QMessageBox::Ok)
        return;
    m_model->removeRows(current.row(), 1);
    m_model->submitAll();
}

void DetailGrid::currentRowChanged(int current, int previous) {
    if (previous < 0 || previous == current || !m_model->isRowDirty(previous))
        return;
    // Leaving a changed row writes it, as a data-aware grid does. The write is deferred until the
    // view has finished moving, since writing reads the rows again.
    QTimer::singleShot(0, this, [this] {
        try {
            const int row = m_view->currentIndex().row();
            const int column = qMax(0, m_view->currentIndex().column());
            m_model->submitAll();
            if (row >= 0 && row < m_model->rowCount())
                m_view->setCurrentIndex(m_model->index(row, column));
        } catch (const TavoError& e) {
            reportError(e.message());
        }
    });
}

QString DetailGrid::footerText(int column) const {
    if (column < 0 || column >= m_model->columnCount() || !m_model->column(column).footerSum)
        return QString();
    const DetailColumn& c = m_model->column(column);
    const double sum = m_model->columnSum(column);
    if (c.decimals < 0)
        return NumberFormat::general(sum);
    return c.thousands ? NumberFormat::fixed(sum, c.decimals) : NumberFormat::plainFixed(sum, c.decimals);
}

void DetailGrid::reportError(const QString& message) {
    QMessageBox::critical(this, QString::fromUtf8(kCaption), message);
}

} // namespace tavo
