#pragma once

#include <QObject>
#include <QString>

class DzMainWindow;
class DzModifier;
class DzNode;
class QActionGroup;
class QDockWidget;
class QListWidget;
class QMenu;
class QToolBar;

// Gives the host's main window what a person needs: menus (File, Edit, View, Tools, Selection), a tool bar
// with the tools and a scene list. Also the file operations the script mode shares.
//
// It keeps track of whether the scene holds changes that are not saved, and before New, an Open that replaces
// the scene, or Quit drops them it asks: Save, Discard or Cancel. Script mode never asks (setAsksToSave).
class HostUi : public QObject {
    Q_OBJECT
public:
    explicit HostUi(DzMainWindow* window);
    ~HostUi() override;

    // Scene files (".pfscene" or ".json") replace the scene; any other file is imported through assimp as a
    // new node, which becomes the primary selection. The view is framed on the scene. False with the reason.
    // What the load wants the user told once (modifiers kept but not applied) goes to notice, else it is
    // cleared.
    static bool openFile(QString const& path, QString* error, QString* notice = nullptr);
    // Refuses a name that is not a scene file's and never replaces a file that is not a scene file.
    static bool saveScene(QString const& path, QString* error);
    static bool isSceneFile(QString const& path);

    // openFile, and what it means for the unsaved changes: a loaded scene file is the scene's file and has
    // none; a mesh imported into an empty scene that had none adds none (the mesh is on disk).
    bool open(QString const& path, QString* error, QString* notice = nullptr);
    // saveScene, after which the scene has no unsaved changes and the file is the scene's.
    bool save(QString const& path, QString* error);

    bool isSceneModified() const { return m_modified; }
    // The file the scene was last loaded from or saved to; empty when none.
    QString scenePath() const { return m_scenePath; }
    void setAsksToSave(bool asks) { m_asksToSave = asks; }
    // True when the scene may be dropped: it has no unsaved changes, or the person saved them or chose to
    // discard them. False when they cancelled or the save failed (the error was shown).
    bool maySceneGo();

public slots:
    void newScene();
    void openFileDialog();
    // Saves to the scene's file, or asks for one when it has none. False when nothing was saved.
    bool saveCurrent();
    bool saveSceneDialog();
    void rebuildToolActions();
    void rebuildSceneList();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenus();
    void buildSceneDock();
    void showError(QString const& text);
    void watchNode(DzNode* node);
    void watchModifier(DzModifier* modifier);
    void setModified(bool modified);
    void updateTitle();

    DzMainWindow* m_window;
    QToolBar* m_toolBar = nullptr;
    QMenu* m_toolsMenu = nullptr;
    QActionGroup* m_toolGroup = nullptr;
    QListWidget* m_sceneList = nullptr;
    QDockWidget* m_sceneDock = nullptr;
    bool m_updatingList = false;
    bool m_modified = false;
    bool m_asksToSave = true;
    QString m_scenePath;
};
