#pragma once

#include <QString>
#include <cstdint>
#include <memory>

#include "dzassetjsonitem.h"
#include "dzextramodifierio.h"
#include "hv_meshmodifier.h"

class DzAssetFile;

// Scene-file reader and writer of an HvMeshModifier's deltas. The definition's extra data gets one member,
// "hv_deltas": {"count": n, "values": [[index, x, y, z], ...]} in ascending index order. Reading treats the
// numbers of "values" as one running sequence in groups of four. The concrete class supplies the modifier.
class HvMeshModifierIO : public DzExtraModifierIO {
    Q_OBJECT
public:
    static QString const _Q_ARRAY_KEY_HV_DELTAS;  // "hv_deltas"
    static QString const _Q_ARRAY_KEY_COUNT;      // "count"
    static QString const _Q_ARRAY_KEY_VALUES;     // "values"

    // The state of one definition read; the handlers write into it.
    struct Context {
        explicit Context(DzAssetFile* file) : pFile(file) {}

        DzAssetFile* pFile;
        uint64_t count = 0;       // as read; never used
        HvVertexOffsets deltas;   // in file order until applied
        bool unordered = false;   // a delta came at or below the one before it
        int64_t itemCounter = 0;  // position of the next number in its group of four
        int32_t index = 0;
        float x = 0.0f;
        float y = 0.0f;
    };

    HvMeshModifierIO();
    ~HvMeshModifierIO() override;

    int writeExtraDefinition(QObject* object, IDzJsonIO* io, DzFileIOSettings const* settings) const override;
    int writeExtraInstance(QObject* object, IDzJsonIO* io, DzFileIOSettings const* settings) const override;
    // Starts a fresh read context; the host owns the returned handler.
    DzAssetJsonItem* startDefinitionRead(DzAssetJsonItem* item) override;
    DzAssetJsonItem* startInstanceRead(DzAssetJsonItem* item) override;
    // Moves the deltas of the latest read into the modifier, replacing its own.
    int applyDefinitionToObject(QObject* object, DzFileIOSettings const* settings) const override;
    int applyInstanceToObject(QObject* object, DzFileIOSettings const* settings) const override;
    bool shouldWrite(QObject* object, DzFileIOSettings const* settings) const override;
    // Appends a new modifier from createModifierInstance(); the modifier names itself.
    DzModifier* createModifier(QString const& name, DzObject* object) const override;

    virtual HvMeshModifier* createModifierInstance() const = 0;

private:
    std::unique_ptr<Context> m_pContext;
};

// The extra data: takes "hv_deltas".
class HvReadMeshModifierRoot : public DzAssetJsonObject {
public:
    explicit HvReadMeshModifierRoot(HvMeshModifierIO::Context* context);
    DzAssetJsonItem* startMemberObject(QString const& name) override;

private:
    HvMeshModifierIO::Context* m_pContext;
};

// "hv_deltas": takes "count" and "values".
class HvReadFloat3IndexedArrayObject : public DzAssetJsonObject {
public:
    explicit HvReadFloat3IndexedArrayObject(HvMeshModifierIO::Context* context);
    DzAssetJsonItem* startMemberArray(QString const& name) override;
    bool addMember(QString const& name, double value) override;

private:
    HvMeshModifierIO::Context* m_pContext;
};

// "values": one handler per element array. Starts the groups of four.
class HvReadMeshModifierAllDeltasArray : public DzAssetJsonArray {
public:
    explicit HvReadMeshModifierAllDeltasArray(HvMeshModifierIO::Context* context);
    DzAssetJsonItem* startArray() override;

private:
    HvMeshModifierIO::Context* m_pContext;
};

// An element of "values": its numbers continue the running group of four.
class HvReadMeshModifierOneDeltaArray : public DzAssetJsonArray {
public:
    explicit HvReadMeshModifierOneDeltaArray(HvMeshModifierIO::Context* context);
    bool addItem(double value) override;

private:
    HvMeshModifierIO::Context* m_pContext;
};
