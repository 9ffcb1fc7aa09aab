// The scene's node selection and its primary node.
#include "dzscene.h"

void DzScene::setPrimary(DzNode* node) {
    if (node == m_primarySelection)
        return;
    m_primarySelection = node;
    emit primarySelectionChanged(node);
}

void DzScene::setPrimarySelection(DzNode* node) {
    if (!node) {
        selectAllNodes(false);
        return;
    }
    if (!m_nodes.contains(node))
        return;
    if (!m_selectedNodes.contains(node)) {
        m_selectedNodes.append(node);
        emit nodeSelectionListChanged();
    }
    setPrimary(node);
}

void DzScene::selectNode(DzNode* node, bool onOff) {
    if (!node || !m_nodes.contains(node))
        return;
    if (onOff) {
        if (m_selectedNodes.contains(node))
            return;
        m_selectedNodes.append(node);
        emit nodeSelectionListChanged();
        if (!m_primarySelection)
            setPrimary(node);
        return;
    }
    if (!m_selectedNodes.removeOne(node))
        return;
    emit nodeSelectionListChanged();
    if (node == m_primarySelection)
        setPrimary(m_selectedNodes.isEmpty() ? nullptr : m_selectedNodes.last());
}

void DzScene::selectAllNodes(bool onOff) {
    if (onOff) {
        bool added = false;
        for (DzNode* n : m_nodes)
            if (!m_selectedNodes.contains(n)) {
                m_selectedNodes.append(n);
                added = true;
            }
        if (added)
            emit nodeSelectionListChanged();
        if (!m_primarySelection && !m_nodes.isEmpty())
            setPrimary(m_nodes.first());
        return;
    }
    if (!m_selectedNodes.isEmpty()) {
        m_selectedNodes.clear();
        emit nodeSelectionListChanged();
    }
    setPrimary(nullptr);
}

void DzScene::forgetSelectedNode(DzNode* node) {
    if (!m_selectedNodes.removeOne(node))
        return;
    emit nodeSelectionListChanged();
    if (node == m_primarySelection)
        setPrimary(m_selectedNodes.isEmpty() ? nullptr : m_selectedNodes.last());
}
