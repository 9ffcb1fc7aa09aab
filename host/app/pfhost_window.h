#pragma once

#include <QObject>
#include <QString>

class DzMainWindow;
class QActionGroup;
class QListWidget;
class QMenu;
class QToolBar;

// Gives the host's main window what a person needs: menus (File, Edit, View, Tools, Selection), a tool bar
// with the tools and a scene list. Also the file operations the script mode shares.
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
    static bool saveScene(QString const& path, QString* error);
    static bool isSceneFile(QString const& path);

public slots:
    void openFileDialog();
    void saveSceneDialog();
    void rebuildToolActions();
    void rebuildSceneList();

private:
    void buildMenus();
    void buildSceneDock();
    void showError(QString const& text);

    DzMainWindow* m_window;
    QToolBar* m_toolBar = nullptr;
    QMenu* m_toolsMenu = nullptr;
    QActionGroup* m_toolGroup = nullptr;
    QListWidget* m_sceneList = nullptr;
    bool m_updatingList = false;
};
