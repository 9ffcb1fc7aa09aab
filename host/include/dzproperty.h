#pragma once

#include "dzelement.h"

// A named, labelled setting of an element, shown to the user in its property group path.
class DzProperty : public DzElement {
    Q_OBJECT
public:
    explicit DzProperty(QString const& name = QString());
    ~DzProperty() override;

    // "/"-separated group path, such as "/Morphs/Pullform" (empty pieces do not count: "Morphs/Pullform" is
    // the same group).
    QString const& getPath() const { return m_path; }
    void setPath(QString const& path) { m_path = path; }

    // The user's favourite mark.
    bool isFavorite() const { return m_favorite; }
    // Emits favoriteChanged() when the mark changes.
    void setFavorite(bool favorite);

signals:
    void favoriteChanged(bool favorite);

private:
    QString m_path;
    bool m_favorite = false;
};
