#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include "dzapp.h"
#include "dzmodifier.h"
#include "dznode.h"
#include "dzobject.h"

#include <istream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

using DzNodeIterator = DzListIterator<DzNode>;

// The scene: its nodes in the order added, and its world-space modifiers, which every object's evaluation
// runs after the node's world transform. Scene files hold the nodes; the world-space modifiers belong to the
// session and stay when a file is loaded.
class DzScene : public QObject {
    Q_OBJECT
public:
    explicit DzScene(QObject* parent = nullptr);
    ~DzScene() override;

    // Takes ownership and appends. A node deleted by someone else leaves the list by itself.
    void addNode(DzNode* node);
    // Takes the node out and deletes it; false when it is not in the scene.
    bool removeNode(DzNode* node);
    // Deletes every node.
    void clear();
    int getNumNodes() const { return m_nodes.size(); }
    DzNode* getNode(int index) const { return m_nodes.value(index); }
    DzNodeIterator nodeListIterator() const { return DzNodeIterator(m_nodes); }
    // The first node of that exact name; null when none.
    DzNode* findNode(QString const& name) const;

    // Takes ownership; index -1 (or past the end) appends. A change of the list or of a modifier's value
    // makes the objects of the scene's nodes evaluate again.
    void addWSModifier(DzModifier* modifier, int index = -1);
    // Gives ownership back; false when it is not in the list.
    bool removeWSModifier(DzModifier* modifier);
    int getNumWSModifiers() const { return m_wsModifiers.size(); }
    DzModifierIterator wsModifierListIterator() const { return DzModifierIterator(m_wsModifiers); }

    // Scene files (dzscenefile.cpp). On failure the message names the file and what was wrong; it is logged
    // and handed back. Saving writes a new file beside the old one, flushed to the disk with the old one's
    // permissions, and puts it in place only when complete; through a symbolic link it writes the file the
    // link ends at. It refuses a name that is not a scene file's (isSceneFileName) and never replaces a file
    // that is not a scene file (an empty file may be replaced). Loading reads into a scene of its own and
    // replaces this scene's nodes only when the whole file was read: after a failure nothing of the file is
    // in the scene.
    bool saveScene(QString const& path, QString* errorMessage = nullptr) const;
    // A scene file's name ends in ".pfscene" or ".json" (in any case).
    static bool isSceneFileName(QString const& path);
    bool loadScene(QString const& path, QString* errorMessage = nullptr);
    // What the last load that succeeded wants the user to be told once (modifiers kept but not applied,
    // since no loaded plug-in reads them); empty when nothing. Logged too.
    QString const& getLoadNotice() const { return m_loadNotice; }
    // Members of the last loaded file's top object that the host does not read (another program's data), each
    // name with its value's JSON text as the file had it (compact; numbers in the file's own text). Saving
    // writes them back after the nodes, in the same order; clear() drops them with the nodes.
    using KeptMembers = std::vector<std::pair<QString, std::string>>;
    KeptMembers const& getKeptMembers() const { return m_keptMembers; }
    // Gives this scene the other's nodes in place of its own, which are deleted.
    void takeNodesFrom(DzScene& other);

    // ---- node selection (dzscene_selection.cpp) ----
    // The selected nodes in the order selected; the primary selection is one of them (null when none is
    // selected). Every change of the primary selection emits primarySelectionChanged() before returning.
    DzNode* getPrimarySelection() const { return m_primarySelection; }
    // Selects the node (a node of this scene) and makes it the primary selection; null deselects all.
    void setPrimarySelection(DzNode* node);
    // Selecting a node while none is primary makes it primary; deselecting the primary node makes the last
    // one still selected primary.
    void selectNode(DzNode* node, bool onOff = true);
    bool isNodeSelected(DzNode const* node) const {
        return m_selectedNodes.contains(const_cast<DzNode*>(node));
    }
    // All nodes selected (the primary one kept, else the first node) or none.
    void selectAllNodes(bool onOff);
    int getNumSelectedNodes() const { return m_selectedNodes.size(); }
    DzNode* getSelectedNode(int index) const { return m_selectedNodes.value(index); }
    DzNodeIterator selectedNodeListIterator() const { return DzNodeIterator(m_selectedNodes); }

signals:
    void primarySelectionChanged(DzNode* node);
    // Any change of the set of selected nodes.
    void nodeSelectionListChanged();
    void nodeAdded(DzNode* node);
    void nodeRemoved(DzNode* node);
    // A scene file was loaded into the scene.
    void sceneLoaded();

private slots:
    void invalidateNodeGeometry();

private:
    // Takes a node that leaves the scene out of the selection, signalling as a deselection does.
    void forgetSelectedNode(DzNode* node);
    void setPrimary(DzNode* node);
    QList<DzNode*> m_selectedNodes;
    DzNode* m_primarySelection = nullptr;

    QList<DzNode*> m_nodes;
    QList<DzModifier*> m_wsModifiers;
    QString m_loadNotice;
    KeptMembers m_keptMembers;

    friend bool dzLoadSceneFromText(DzScene&, std::string_view, QString const&, QString*);
};

// Short form of the application's scene; null without an application.
#define dzScene (dzApp ? dzApp->getScene() : nullptr)
