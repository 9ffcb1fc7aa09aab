#pragma once

// The base of the plug-in's modal dialogs: titled in the plug-in's style, an Ok/Cancel box wired to
// accept() and reject(), optionally not closable except through Ok, and its window geometry kept in the
// host's application settings. GUI thread only.

#include <QDialog>
#include <QFlags>
#include <QMessageBox>
#include <QString>
#include <string>

class DzAppSettings;
class QDialogButtonBox;
class QLabel;

// Font-size words for MakePara and MakeLabel.
extern QString const DEFAULT_FONT_SIZE;  // "large"
extern QString const X_LARGE_FONT;       // "x-large"
extern QString const XX_LARGE_FONT;      // "xx-large"

class HvDialogBase : public QDialog {
    Q_OBJECT
public:
    explicit HvDialogBase(QWidget* parent);

    // The sub-title before the plug-in's title and version. Closable: the context-help button goes, the
    // close button stays. Not closable: the close button goes and reject() does nothing from then on, so
    // only Ok leaves the dialog.
    void setOurWindowTitle(char const* subTitle, bool closable);
    // Margin and spacing 10 on the dialog's layout, when it has one.
    void dazzifyLayout();
    // Ok accepts, Cancel rejects; a box without either stops the program (a programming error).
    void connectButtonBox(QDialogButtonBox* buttonBox);

    // Where the window geometry is kept; an empty key keeps nothing.
    void setWindowPosSettingsKey(QString const& group, QString const& key);
    // With null settings, a settings object on the stored group is opened for the call.
    void saveWindowPos(DzAppSettings* settings);
    // True when a stored geometry was found and handed to Qt (whether or not Qt took it).
    bool restoreWindowPos(DzAppSettings* settings);

    // The critical box over this dialog, logged.
    void criticalBox(char const* prefix, std::string const& message);
    // A modal box with the given buttons, Cancel the default; the standard button chosen.
    int actionOrCancelBox(QFlags<QMessageBox::StandardButton> buttons, QString const& text);

    // The text as a paragraph, in the font size named by the word (none for an empty word).
    static QString MakePara(QString const& text, QString fontSize = DEFAULT_FONT_SIZE);
    // A new parentless label holding MakePara's text; the caller owns it.
    static QLabel* MakeLabel(QString const& text, QString fontSize = DEFAULT_FONT_SIZE);

public slots:
    void accept() override;
    // Saves the position and closes, unless the dialog was made not closable.
    void reject() override;

private:
    bool m_bMayBeRejected = true;
    QString m_qsSettingsGroup;
    QString m_qsSettingsKey;
};
