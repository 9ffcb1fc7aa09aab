#pragma once

#include <QList>
#include <QObject>

class DzAssetJsonItem;
class DzFileIOSettings;
class DzModifier;
class DzObject;
class DzSceneAsset;
class IDzJsonIO;

// Reader and writer of a modifier class's own data in scene files, registered for that class with
// DzPlugin::addIOClassRegistration. For each modifier of the class the host asks shouldWrite, then writes
// the definition's extra data through writeExtraDefinition and the instance's through writeExtraInstance.
// On load it makes the modifier with createModifier, feeds the extra data to the handler from
// startDefinitionRead (and the instance data to startInstanceRead's), then calls applyDefinitionToObject,
// applyInstanceToObject, resolveInstance and finalizeInstance. One IO object serves one modifier of a file.
// The int results are error codes, 0 for none.
class DzExtraModifierIO : public QObject {
    Q_OBJECT
public:
    explicit DzExtraModifierIO(QObject* parent = nullptr) : QObject(parent) {}
    ~DzExtraModifierIO() override = default;

    virtual int writeExtraDefinition(QObject* object, IDzJsonIO* io,
                                     DzFileIOSettings const* settings) const = 0;
    virtual int writeExtraInstance(QObject* object, IDzJsonIO* io, DzFileIOSettings const* settings) const;
    // The returned handler belongs to the host.
    virtual DzAssetJsonItem* startDefinitionRead(DzAssetJsonItem* parentItem) = 0;
    virtual DzAssetJsonItem* startInstanceRead(DzAssetJsonItem* parentItem);
    virtual int applyDefinitionToObject(QObject* object, DzFileIOSettings const* settings) const = 0;
    virtual int applyInstanceToObject(QObject* object, DzFileIOSettings const* settings) const;
    virtual int resolveInstance(QObject* object, DzFileIOSettings const* settings) const;
    virtual int finalizeInstance(QObject* object, DzFileIOSettings const* settings) const;
    virtual bool shouldWrite(QObject* object, DzFileIOSettings const* settings) const;
    virtual void getOwnedAssets(QObject* object, QList<DzSceneAsset*>& assets) const;
    // Makes the modifier and puts it into the object, which owns it.
    virtual DzModifier* createModifier(QString const& name, DzObject* object) const = 0;
};
