#include "hv_helpers_qt.h"

#include <fmt/format.h>

#include <QAbstractItemModel>
#include <QAbstractItemView>
#include <QApplication>
#include <QDate>
#include <QFontMetrics>
#include <QFrame>
#include <QHeaderView>
#include <QIcon>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMessageBox>
#include <QMetaMethod>
#include <QPixmap>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>

#include "dzconnectassert.h"
#include "hv_base.h"
#include "hv_base_daz.h"
#include "hv_globals.h"

namespace {

char const* const s_pcszRedStyle = "font-weight:600; background-color:#aa0000; border: none; ";
char const* const s_pcszHeadingStyle = "QLabel { font-size: 9pt; font-weight: bold; color: #ffffff; } ";
char const* const s_pcszErrorSpanStyle =
    "font-weight:600; background-color:rgb(170, 97, 112); border: none; ";

}  // namespace

// ---- version and titles ----

QString HvHelpersQt::MakeVersionString() {
    QDate const released(g_usPluginReleaseYear, g_usPluginReleaseMonth, g_usPluginReleaseDay);
    return QString("V%1.%2.%3 (%4)")
        .arg(g_usPluginMajor)
        .arg(g_usPluginMinor)
        .arg(g_usPluginRevision)
        .arg(released.toString(Qt::ISODate));
}

QString HvHelpersQt::MakeWindowTitleQ(char const* subTitle) {
    QString const titleLine = QString("%1 %2").arg(QString::fromUtf8(g_pcszPluginTitle), MakeVersionString());
    if (!subTitle)
        return titleLine;
    return QString::fromUtf8(subTitle) + " " + HvHelpers::EM_DASH_Q + " " + titleLine;
}

// ---- message boxes ----

void HvHelpersQt::CriticalBox(QWidget* parent, char const* prefix, std::string const& message, bool log) {
    std::string text = prefix ? std::string(prefix) : std::string();
    text += message;
    if (log)
        HvHelpersDaz::Log("Critical box: " + text);
    QMessageBox::critical(parent, MakeWindowTitleQ(nullptr), HvHelpers::ToQString(text), QMessageBox::Ok,
                          QMessageBox::NoButton);
}

void HvHelpersQt::CriticalBox(QWidget* parent, char const* prefix, char const* message, bool log) {
    CriticalBox(parent, prefix, std::string(message ? message : ""), log);
}

int HvHelpersQt::CustomActionOrCancelbox(QWidget* parent, std::string const& title, std::string const& text,
                                         char const* actionCaption) {
    QMessageBox box(parent);
    box.setWindowTitle(HvHelpers::ToQString(title));
    box.setText(HvHelpers::ToQString(text));
    QAbstractButton* cancel = box.addButton(QMessageBox::Cancel);
    QPushButton* action =
        box.addButton(QString::fromUtf8(actionCaption ? actionCaption : ""), QMessageBox::AcceptRole);
    box.setDefaultButton(QMessageBox::Cancel);
    box.setEscapeButton(cancel);
    box.exec();
    // The clicked button, not exec()'s code, which Qt documents as opaque for custom buttons.
    return box.clickedButton() == action ? 0 : int(QMessageBox::Cancel);
}

// ---- tool tips and buttons ----

void HvHelpersQt::SetFormattedToolTip(QWidget& widget, QString const& text) {
    widget.setToolTip(HvHelpers::FormatHelpQ(text));
}

void HvHelpersQt::ConnectButtonClicked(QAbstractButton& button, QObject* receiver, char const* slot,
                                       char const* toolTip) {
    if (slot)
        DZ_ASSERT_CONNECTED(QObject::connect(&button, SIGNAL(clicked()), receiver, slot));
    if (toolTip)
        SetFormattedToolTip(button, QString::fromUtf8(toolTip));
}

QPushButton* HvHelpersQt::CreateAndConnectButtonClicked(char const* text, QWidget* parent, char const* slot,
                                                        char const* toolTip, bool enabled) {
    auto* button = new QPushButton(QString::fromUtf8(text ? text : ""), parent);
    ConnectButtonClicked(*button, parent, slot, toolTip);
    button->setEnabled(enabled);
    return button;
}

QPushButton* HvHelpersQt::MakeTinyPushButton(QWidget* receiver, char const* text, char const* slot,
                                             char const* toolTip) {
    QString const caption = QString::fromUtf8(text ? text : "");
    auto* button = new QPushButton(caption);
    button->setMaximumWidth(QFontMetrics(button->font()).boundingRect(caption).height() + 10);
    ConnectButtonClicked(*button, receiver, slot, toolTip);
    return button;
}

void HvHelpersQt::DisableButton(QPushButton& button) {
    button.setEnabled(false);
    button.clearFocus();
}

void HvHelpersQt::MakeControlRed(QWidget& widget, char const* selector) {
    widget.setStyleSheet(
        QString("%1 {%2}").arg(QString::fromUtf8(selector), QString::fromUtf8(s_pcszRedStyle)));
}

void HvHelpersQt::EnableDisableButtonRed(QPushButton& button, bool enable) {
    if (enable)
        MakeControlRed(button, "QPushButton");
    else
        button.setStyleSheet(QString());
    button.setEnabled(enable);
    if (!enable)
        button.clearFocus();
}

void HvHelpersQt::SetSmallBoldInfoButtonStyle(QPushButton& button, int pointSize) {
    button.setStyleSheet(
        QString("QPushButton { font-size: %1pt; font-weight: bold; color: #ffffff; }").arg(pointSize));
}

void HvHelpersQt::MakeSmallBoldInfoButton(QPushButton& button, QString const& text, int pointSize) {
    QSizePolicy policy(QSizePolicy::Maximum, QSizePolicy::Fixed);
    policy.setHeightForWidth(button.sizePolicy().hasHeightForWidth());
    button.setSizePolicy(policy);
    button.setMinimumSize(20, 0);
    button.setMaximumSize(20, 16777215);
    button.setText(text);
    SetSmallBoldInfoButtonStyle(button, pointSize);
}

void HvHelpersQt::SetButtonPixmap(QPushButton& button, QString const& imagePath) {
    button.setIcon(QIcon(QPixmap(imagePath)));
    button.setIconSize(QSize(16, 16));
    button.setText(QString());
}

// ---- labels, browsers, lines ----

void HvHelpersQt::SetLabelContentMargins(QLabel& label) {
    label.setContentsMargins(5, 3, 5, 3);
}

void HvHelpersQt::MakeLabelHeading(QLabel& label) {
    label.setWordWrap(true);
    label.setStyleSheet(QString::fromUtf8(s_pcszHeadingStyle));
    label.setText(MakeWindowTitleQ(nullptr));
}

QTextBrowser* HvHelpersQt::MakeInfoTextBrowser(QWidget* parent) {
    auto* browser = new QTextBrowser(parent);
    browser->setLineWrapMode(QTextEdit::NoWrap);
    browser->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    browser->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    ResizeTextBrowser(*browser);
    return browser;
}

void HvHelpersQt::ResizeTextBrowser(QTextBrowser& browser) {
    int const height = int(browser.document()->size().height() + 15);
    int const lineHeight = browser.fontMetrics().height();
    if (lineHeight > 0 && height / lineHeight > 20)
        browser.setFixedHeight(20 * lineHeight);
    else
        browser.setFixedHeight(height);
}

QFrame* HvHelpersQt::AddHorizontalLine(QVBoxLayout& layout) {
    auto* line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    layout.addWidget(line);
    return line;
}

std::string HvHelpersQt::MakeErrorButtonStyle(char const* text) {
    return fmt::format("<span style=\"{}\">{}</span>", s_pcszErrorSpanStyle, text ? text : "");
}

void HvHelpersQt::InvestigateSignalsAndSlots(QObject* object,
                                             std::function<void(QString const&)> const& output) {
    if (!object || !output)
        return;
    QMetaObject const* meta = object->metaObject();
    for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
        QMetaMethod const method = meta->method(i);
        QString const signature = QString::fromLatin1(method.methodSignature());
        if (method.methodType() == QMetaMethod::Signal)
            output(QString("SIGNAL: %1").arg(signature));
        else if (method.methodType() == QMetaMethod::Slot)
            output(QString("SLOT: %1").arg(signature));
    }
}

// ---- item views ----

void HvHelpersQt::SelectRow(QAbstractItemView& view, int row, bool scrollTo) {
    QAbstractItemModel* model = view.model();
    QItemSelectionModel* selection = view.selectionModel();
    if (!model || !selection)
        return;
    QModelIndex const first = model->index(row, 0);
    if (!first.isValid())
        return;
    QModelIndex last = model->index(row, 1);
    if (!last.isValid())
        last = first;
    selection->select(QItemSelection(first, last), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    if (scrollTo)
        view.scrollTo(first);
}

void HvHelpersQt::ResizeTableColumn(QHeaderView& header, int section) {
    // The contents' size as the view measures it, applied once; the user may resize the section afterwards.
    int size = header.sectionSizeHint(section);
    if (auto* view = qobject_cast<QAbstractItemView*>(header.parentWidget()))
        size = std::max(size, header.orientation() == Qt::Horizontal ? view->sizeHintForColumn(section)
                                                                     : view->sizeHintForRow(section));
    header.setSectionResizeMode(section, QHeaderView::Interactive);
    if (size > 0)
        header.resizeSection(section, size);
}

void HvHelpersQt::ResizeTableColumns(QTableView const& view, bool horizontal) {
    QHeaderView* header = horizontal ? view.horizontalHeader() : view.verticalHeader();
    for (int section = 0; section < header->count(); ++section) ResizeTableColumn(*header, section);
}

int HvHelpersQt::GetRowHeight(QTableView const& view, int row) {
    return view.verticalHeader()->sectionSize(row);
}

void HvHelpersQt::ResizeTableRow(QTableView const& view, int row, int height) {
    view.verticalHeader()->resizeSection(row, height);
}

void HvHelpersQt::CompactTableRows(QTableView const& view) {
    QAbstractItemModel* model = view.model();
    if (!model || model->rowCount() == 0)
        return;
    int const height = GetRowHeight(view, 0) / 2;
    for (int row = 0; row < model->rowCount(); ++row) ResizeTableRow(view, row, height);
}

bool HvHelpersQt::ConnectTableModelSelectionChanged(QAbstractItemView const& view, QObject* receiver,
                                                    char const* slot) {
    DZ_ASSERT_CONNECTED(QObject::connect(
        view.selectionModel(), SIGNAL(selectionChanged(const QItemSelection&, const QItemSelection&)),
        receiver, slot));
    return true;
}

bool HvHelpersQt::SetCustomContextMenuSlot(QAbstractItemView& view, QObject& receiver, char const* slot) {
    view.setContextMenuPolicy(Qt::CustomContextMenu);
    return bool(QObject::connect(&view, SIGNAL(customContextMenuRequested(const QPoint&)), &receiver, slot));
}

size_t HvHelpersQt::GetListSelections(QAbstractItemView const& view, std::vector<QModelIndex>& selections) {
    QAbstractItemModel* model = view.model();
    QItemSelectionModel* selection = view.selectionModel();
    if (!model || !selection)
        return 0;
    size_t added = 0;
    for (int row = 0; row < model->rowCount(); ++row) {
        QModelIndex const index = model->index(row, 0);
        if (index.isValid() && selection->isSelected(index)) {
            selections.push_back(index);
            ++added;
        }
    }
    return added;
}

std::set<int> HvHelpersQt::GetSelectedRows(QAbstractItemView const& view) {
    std::set<int> rows;
    QAbstractItemModel* model = view.model();
    QItemSelectionModel* selection = view.selectionModel();
    if (!model || !selection)
        return rows;
    for (int row = 0; row < model->rowCount(); ++row)
        if (selection->isSelected(model->index(row, 0)))
            rows.insert(row);
    return rows;
}

namespace {

bool findSelectedBelow(QAbstractItemModel const& model, QItemSelectionModel const& selection,
                       QModelIndex const& node, QModelIndex& result) {
    for (int row = 0; row < model.rowCount(node); ++row) {
        QModelIndex const child = model.index(row, 0, node);
        result = child;
        if (selection.isSelected(child) || findSelectedBelow(model, selection, child, result))
            return true;
    }
    return false;
}

}  // namespace

bool HvHelpersQt::GetSingleTreeSelection(QTreeView const& tree, QModelIndex const& start,
                                         QModelIndex& result) {
    QAbstractItemModel* model = tree.model();
    QItemSelectionModel* selection = tree.selectionModel();
    if (!model || !selection)
        return false;
    return findSelectedBelow(*model, *selection, start, result);
}

void HvHelpersQt::ExpandTreeNodeAndAllParents(QTreeView& tree, QModelIndex index) {
    while (index.isValid()) {
        tree.expand(index);
        index = index.parent();
    }
}

bool HvHelpersQt::FindModelIndexFromPath(QAbstractItemModel& model, std::vector<std::string> const& path,
                                         QModelIndex& result) {
    QModelIndex parent;
    bool matched = false;
    for (std::string const& element : path) {
        QString const text = HvHelpers::ToQString(element);
        QModelIndex found;
        for (int row = 0; row < model.rowCount(parent); ++row) {
            QModelIndex const child = model.index(row, 0, parent);
            if (model.data(child, Qt::DisplayRole).toString() == text) {
                found = child;
                break;
            }
        }
        if (!found.isValid())
            break;
        result = found;
        parent = found;
        matched = true;
    }
    return matched;
}

bool HvHelpersQt::SelectTreeItemFromPath(QTreeView& tree, std::vector<std::string> const& path) {
    QAbstractItemModel* model = tree.model();
    if (!model)
        return false;
    QModelIndex index;
    if (!FindModelIndexFromPath(*model, path, index))
        return false;
    if (QItemSelectionModel* selection = tree.selectionModel())
        selection->select(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    ExpandTreeNodeAndAllParents(tree, index);
    tree.scrollTo(index);
    return true;
}

// ---- HvWaitCursor ----

HvWaitCursor::HvWaitCursor() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_bActive = true;
}

HvWaitCursor::~HvWaitCursor() {
    restore();
}

void HvWaitCursor::restore() {
    if (!m_bActive)
        return;
    QApplication::restoreOverrideCursor();
    m_bActive = false;
}
