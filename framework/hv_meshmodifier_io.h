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
//
// Reading takes what the writer writes and refuses anything else that would change the deltas, with the
// host's words for the JSON path it stops at: "hv_deltas" or "values" of another kind or given twice, an
// item of "values" that is no array, an item of an element that is no number, an index that is no whole
// number in the 32-bit range, an offset no float holds, a last group shorter than four, a vertex given twice.
// So a file is never read as other deltas than it holds, and the next save never drops or alters them.
// Other members, and "count" of any kind, are left to the host's default handling as before.
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
    // "hv_deltas" as anything but an object is refused.
    DzAssetJsonItem* startMemberArray(QString const& name) override;
    bool addMember(QString const& name, double value) override;
    bool addStringMember(QString const& name, QString const& value) override;
    bool addBoolMember(QString const& name, bool value) override;
    bool addNullMember(QString const& name) override;

private:
    HvMeshModifierIO::Context* m_pContext;
    bool m_deltasSeen = false;
};

// "hv_deltas": takes "count" and "values".
class HvReadFloat3IndexedArrayObject : public DzAssetJsonObject {
public:
    explicit HvReadFloat3IndexedArrayObject(HvMeshModifierIO::Context* context);
    DzAssetJsonItem* startMemberArray(QString const& name) override;
    bool addMember(QString const& name, double value) override;
    // "values" as anything but an array is refused; "count" of any kind is ignored; either given twice is
    // refused.
    DzAssetJsonItem* startMemberObject(QString const& name) override;
    bool addStringMember(QString const& name, QString const& value) override;
    bool addBoolMember(QString const& name, bool value) override;
    bool addNullMember(QString const& name) override;

private:
    // False, with the reason on the file, when the member is given twice or "values" is not an array.
    bool accept(QString const& name, bool isArray);

    HvMeshModifierIO::Context* m_pContext;
    bool m_countSeen = false;
    bool m_valuesSeen = false;
};

// "values": one handler per element array. Starts the groups of four.
class HvReadMeshModifierAllDeltasArray : public DzAssetJsonArray {
public:
    explicit HvReadMeshModifierAllDeltasArray(HvMeshModifierIO::Context* context);
    DzAssetJsonItem* startArray() override;
    // Items that are no array are refused.
    DzAssetJsonItem* startObject() override;
    bool addItem(double value) override;
    bool addStringItem(QString const& value) override;
    bool addBoolItem(bool value) override;
    bool addNullItem() override;
    // Refuses a last group shorter than four and a vertex given twice; puts the deltas in index order.
    bool finish() override;

private:
    HvMeshModifierIO::Context* m_pContext;
};

// An element of "values": its numbers continue the running group of four.
class HvReadMeshModifierOneDeltaArray : public DzAssetJsonArray {
public:
    explicit HvReadMeshModifierOneDeltaArray(HvMeshModifierIO::Context* context);
    // False for an index that is no whole number in the 32-bit range and an offset no float holds.
    bool addItem(double value) override;
    // Items that are no number are refused.
    DzAssetJsonItem* startObject() override;
    DzAssetJsonItem* startArray() override;
    bool addStringItem(QString const& value) override;
    bool addBoolItem(bool value) override;
    bool addNullItem() override;

private:
    HvMeshModifierIO::Context* m_pContext;
};
