#pragma once

#include <QMap>
#include <QObject>
#include <QString>
#include <memory>

class DzCategory;

// The host's asset database: content types, compatibility bases and the category tree.
class DzAssetMgr : public QObject {
    Q_OBJECT
public:
    explicit DzAssetMgr(QObject* parent = nullptr);
    ~DzAssetMgr() override;

    // The identifier of the content type; 0 when it is unknown and create is false. matchCase false
    // compares without regard to case.
    int findTypeID(QString const& type, bool create, bool matchCase);

    // Identifiers of compatibility-base tables and of compatibility bases, by their "/"-separated path; 0
    // when unknown and create is false.
    int findCompatibilityBaseTable(QString const& path, bool create);
    int findCompatibilityBaseID(QString const& path, bool create);

    // The top of the category tree; null when the database has none.
    DzCategory* getCategories() const { return m_categories.get(); }
    // Takes ownership; null removes the tree.
    void setCategories(DzCategory* top);
    DzCategory* takeCategories() { return m_categories.release(); }

private:
    static int findOrAdd(QMap<QString, int>& registry, QString const& key, bool create, int& nextId);

    QMap<QString, int> m_types;
    QMap<QString, int> m_baseTables;
    QMap<QString, int> m_bases;
    int m_nextId = 1;
    std::unique_ptr<DzCategory> m_categories;
};
