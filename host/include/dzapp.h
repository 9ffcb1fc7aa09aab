#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class DzApp;
class DzAssetMgr;
class DzContentMgr;
class DzMainWindow;
class DzPluginMgr;
class DzScene;
class DzStyle;
class DzUndoStack;
class QWidget;
// The application object, set while one exists.
extern DzApp* dzApp;

class DzApp : public QObject {
    Q_OBJECT
public:
    explicit DzApp(QObject* parent = nullptr);
    ~DzApp() override;

    // Appends one line to the host's log (kept in memory, echoed to stderr when HV_HOST_LOG_STDERR is set).
    void log(QString const& line);
    QStringList const& getLogLines() const { return m_logLines; }
    void clearLog() { m_logLines.clear(); }

    // The one scene, made on first use and owned by the application (dzscene.cpp).
    DzScene* getScene();
    // The one undo stack, made on first use and owned by the application (dzundostack.cpp).
    DzUndoStack* getUndoStack();

    // ---- application level (dzapp.cpp) ----
    // Each manager may be missing (null). take: the caller owns it and the application has none; set: takes
    // ownership and deletes the old one. The main window is made only when a QApplication exists.
    DzMainWindow* getInterface() const { return m_mainWindow; }
    DzMainWindow* takeInterface();
    void setInterface(DzMainWindow* mainWindow);
    DzContentMgr* getContentMgr() const { return m_contentMgr; }
    DzContentMgr* takeContentMgr();
    void setContentMgr(DzContentMgr* mgr);
    DzAssetMgr* getAssetMgr() const { return m_assetMgr; }
    DzAssetMgr* takeAssetMgr();
    void setAssetMgr(DzAssetMgr* mgr);
    DzPluginMgr* getPluginMgr() const { return m_pluginMgr; }
    DzPluginMgr* takePluginMgr();
    void setPluginMgr(DzPluginMgr* mgr);

    // The parent of the host's and the plug-ins' dialogs: the main window, null without one.
    QWidget* getDialogParent() const;

    // The folder of the host's documentation: set here, else $HV_HOST_DOC_PATH, else "doc" beside the
    // program.
    QString getDocumentationPath() const;
    void setDocumentationPath(QString const& path) { m_documentationPath = path; }

    // Records the address and emits urlShown(); the interactive host opens it from there.
    void showURL(QString const& url);
    QStringList const& getShownURLs() const { return m_shownURLs; }

    // Interface styles: the current one and every one the user can switch to.
    DzStyle* getStyle() const { return m_style; }
    QList<DzStyle*> getStyles() const { return m_styles; }
    DzStyle* findStyle(QString const& definition) const;
    // Offers one more style (dzstyle.cpp); the caller keeps it. Deleting it takes it off the list, and when
    // it was the current one the first style becomes current, with styleChanged().
    void addStyle(DzStyle* style);
    // Emits styleChanged() when the style is one of the application's and differs from the current one.
    bool setStyle(DzStyle* style);

    // Emits starting() the first time only; the host calls it once its plug-ins are loaded.
    void emitStarting();
    bool hasStarted() const { return m_started; }

signals:
    void logged(QString const& line);
    void urlShown(QString const& url);
    void styleChanged(DzStyle* style);
    void starting();

private:
    QStringList m_logLines;

    void createApplicationLevel();
    void destroyApplicationLevel();
    DzMainWindow* m_mainWindow = nullptr;
    DzContentMgr* m_contentMgr = nullptr;
    DzAssetMgr* m_assetMgr = nullptr;
    DzPluginMgr* m_pluginMgr = nullptr;
    QString m_documentationPath;
    QStringList m_shownURLs;
    QList<DzStyle*> m_styles;
    DzStyle* m_style = nullptr;
    bool m_started = false;
};
