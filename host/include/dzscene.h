#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include "dzapp.h"
#include "dzmodifier.h"
#include "dznode.h"
#include "dzobject.h"

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
    // and handed back. Saving writes a new file beside the old one and puts it in place only when complete.
    // Loading reads into a scene of its own and replaces this scene's nodes only when the whole file was
    // read: after a failure nothing of the file is in the scene.
    bool saveScene(QString const& path, QString* errorMessage = nullptr) const;
    bool loadScene(QString const& path, QString* errorMessage = nullptr);
    // Gives this scene the other's nodes in place of its own, which are deleted.
    void takeNodesFrom(DzScene& other);

signals:
    void nodeAdded(DzNode* node);
    void nodeRemoved(DzNode* node);
    // A scene file was loaded into the scene.
    void sceneLoaded();

private slots:
    void invalidateNodeGeometry();

private:
    QList<DzNode*> m_nodes;
    QList<DzModifier*> m_wsModifiers;
};

// Short form of the application's scene; null without an application.
#define dzScene (dzApp ? dzApp->getScene() : nullptr)
