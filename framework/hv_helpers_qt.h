#pragma once

// Qt chores shared by every dialog, pane and command, so that they look and behave alike: version and window
// titles, the critical box every caught exception ends in, the confirm box, tool tips, button wiring, fixed
// style sheets and item-view helpers. GUI thread only; nothing here keeps state between calls.

#include <QModelIndex>
#include <QString>
#include <functional>
#include <set>
#include <string>
#include <vector>

class QAbstractButton;
class QAbstractItemModel;
class QAbstractItemView;
class QFrame;
class QHeaderView;
class QLabel;
class QObject;
class QPushButton;
class QTableView;
class QTextBrowser;
class QTreeView;
class QVBoxLayout;
class QWidget;

class HvHelpersQt {
public:
    HvHelpersQt() = delete;

    // "V3.0.1 (2020-09-14)".
    static QString MakeVersionString();
    // The plug-in title and version, after "<sub-title> — " when a sub-title is given (even an empty one).
    static QString MakeWindowTitleQ(char const* subTitle = nullptr);

    // Logs "Critical box: " and the text first when asked, then shows the text (prefix + message) modally
    // under the plug-in's window title with one Ok button. A null prefix shows the message alone.
    static void CriticalBox(QWidget* parent, char const* prefix, std::string const& message, bool log);
    static void CriticalBox(QWidget* parent, char const* prefix, char const* message, bool log);
    // Asks before a destructive command: Cancel (the default, also Enter and Esc) and one action button.
    // Returns 0 for the action button, QMessageBox::Cancel for Cancel or a closed box.
    static int CustomActionOrCancelbox(QWidget* parent, std::string const& title, std::string const& text,
                                       char const* actionCaption);

    // The tool tip with the help-text markers resolved.
    static void SetFormattedToolTip(QWidget& widget, QString const& text);
    // Connects clicked() to the slot (when given; a refused connection stops the program) and sets the tool
    // tip (when given, UTF-8).
    static void ConnectButtonClicked(QAbstractButton& button, QObject* receiver, char const* slot,
                                     char const* toolTip);
    // A new button on the parent, wired to the parent's slot.
    static QPushButton* CreateAndConnectButtonClicked(char const* text, QWidget* parent, char const* slot,
                                                      char const* toolTip, bool enabled);
    // A narrow button for one or two characters; the caller owns it.
    static QPushButton* MakeTinyPushButton(QWidget* receiver, char const* text, char const* slot,
                                           char const* toolTip);
    static void DisableButton(QPushButton& button);
    static void MakeControlRed(QWidget& widget, char const* selector);
    static void EnableDisableButtonRed(QPushButton& button, bool enable);
    static void SetSmallBoldInfoButtonStyle(QPushButton& button, int pointSize);
    static void MakeSmallBoldInfoButton(QPushButton& button, QString const& text, int pointSize);
    // A resource image (":/img/cog.png") as the button's 16 x 16 icon, in place of its text.
    static void SetButtonPixmap(QPushButton& button, QString const& imagePath);

    static void SetLabelContentMargins(QLabel& label);
    // The pane's heading line: the plug-in title in bold white.
    static void MakeLabelHeading(QLabel& label);
    static QTextBrowser* MakeInfoTextBrowser(QWidget* parent);
    // As high as its text, but no more than 20 lines (it scrolls then).
    static void ResizeTextBrowser(QTextBrowser& browser);
    static QFrame* AddHorizontalLine(QVBoxLayout& layout);
    // The text in a rose-red span, for rich-text buttons and labels.
    static std::string MakeErrorButtonStyle(char const* text);

    // Diagnostics: "SIGNAL: <signature>" and "SLOT: <signature>" for each method the object's own class
    // declares.
    static void InvestigateSignalsAndSlots(QObject* object,
                                           std::function<void(QString const&)> const& output);

    // Item views.
    static void SelectRow(QAbstractItemView& view, int row, bool scrollTo);
    static void ResizeTableColumn(QHeaderView& header, int section);
    static void ResizeTableColumns(QTableView const& view, bool horizontal);
    static int GetRowHeight(QTableView const& view, int row);
    static void ResizeTableRow(QTableView const& view, int row, int height);
    static void CompactTableRows(QTableView const& view);
    static bool ConnectTableModelSelectionChanged(QAbstractItemView const& view, QObject* receiver,
                                                  char const* slot);
    static bool SetCustomContextMenuSlot(QAbstractItemView& view, QObject& receiver, char const* slot);
    // Appends the selected column-0 indexes of the root rows (the vector is not cleared); the number
    // appended.
    static size_t GetListSelections(QAbstractItemView const& view, std::vector<QModelIndex>& selections);
    static std::set<int> GetSelectedRows(QAbstractItemView const& view);
    // Depth-first, pre-order, below the start node: the first selected index. On false the result holds the
    // last index visited.
    static bool GetSingleTreeSelection(QTreeView const& tree, QModelIndex const& start, QModelIndex& result);
    static void ExpandTreeNodeAndAllParents(QTreeView& tree, QModelIndex index);
    // Walks the display texts from the root; true with the deepest node matched (a leading part of the path
    // will do), false for an empty path or when not even the first element matches.
    static bool FindModelIndexFromPath(QAbstractItemModel& model, std::vector<std::string> const& path,
                                       QModelIndex& result);
    static bool SelectTreeItemFromPath(QTreeView& tree, std::vector<std::string> const& path);
};

// The wait cursor while the object lives, or until restore().
class HvWaitCursor {
public:
    HvWaitCursor();
    ~HvWaitCursor();
    HvWaitCursor(HvWaitCursor const&) = delete;
    HvWaitCursor& operator=(HvWaitCursor const&) = delete;

    // Restores the cursor once; later calls do nothing.
    void restore();

private:
    bool m_bActive = false;
};
