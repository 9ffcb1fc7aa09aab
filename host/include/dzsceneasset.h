#pragma once

class QObject;

// Interface of things saved as assets of the scene; not a QObject of its own.
class DzSceneAsset {
public:
    DzSceneAsset() = default;
    virtual ~DzSceneAsset() = default;

    virtual QObject* toQObject() = 0;
    virtual QObject const* toQObject() const = 0;
    virtual int getAssetType() const = 0;
};
