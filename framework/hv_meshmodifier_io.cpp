#include "hv_meshmodifier_io.h"

#include <QMetaObject>
#include <algorithm>
#include <limits>

#include "dzobject.h"
#include "idzjsonio.h"

QString const HvMeshModifierIO::_Q_ARRAY_KEY_HV_DELTAS = QStringLiteral("hv_deltas");
QString const HvMeshModifierIO::_Q_ARRAY_KEY_COUNT = QStringLiteral("count");
QString const HvMeshModifierIO::_Q_ARRAY_KEY_VALUES = QStringLiteral("values");

namespace {

HvMeshModifier* asMeshModifier(QObject* object) {
    return static_cast<HvMeshModifier*>(HvMeshModifier::staticMetaObject.cast(object));
}

// Truncated toward zero. A number that is not finite or whose whole part lies outside int32 cannot be
// converted; it becomes the lowest index, which, being negative, never addresses a vertex.
int32_t indexFromNumber(double number) {
    if (number > -2147483649.0 && number < 2147483648.0)
        return int32_t(number);
    return std::numeric_limits<int32_t>::min();
}

}  // namespace

// ---- HvMeshModifierIO ----

HvMeshModifierIO::HvMeshModifierIO() = default;

HvMeshModifierIO::~HvMeshModifierIO() = default;

int HvMeshModifierIO::writeExtraDefinition(QObject* object, IDzJsonIO* io, DzFileIOSettings const*) const {
    HvMeshModifier* modifier = asMeshModifier(object);
    if (!modifier || !io)
        return 0;
    // Count and values from one locked pass, so they agree.
    HvMeshModifierLock lock(*modifier);
    HvVertexOffsets const& deltas = modifier->getOffsets();
    io->startMemberObject(_Q_ARRAY_KEY_HV_DELTAS, true);
    io->addMember(_Q_ARRAY_KEY_COUNT,
                  int(std::min<size_t>(deltas.size(), std::numeric_limits<int32_t>::max())));
    io->startMemberArray(_Q_ARRAY_KEY_VALUES, true);
    for (auto const& [index, offset] : deltas) {
        io->startArray(false);
        io->addItem(int(index));
        io->addItem(offset.x);
        io->addItem(offset.y);
        io->addItem(offset.z);
        io->finishArray();
    }
    io->finishArray();
    io->finishObject();
    return 0;
}

int HvMeshModifierIO::writeExtraInstance(QObject*, IDzJsonIO*, DzFileIOSettings const*) const {
    return 0;
}

DzAssetJsonItem* HvMeshModifierIO::startDefinitionRead(DzAssetJsonItem* item) {
    m_pContext = std::make_unique<Context>(item ? item->getFile() : nullptr);
    return new HvReadMeshModifierRoot(m_pContext.get());
}

DzAssetJsonItem* HvMeshModifierIO::startInstanceRead(DzAssetJsonItem*) {
    return nullptr;
}

int HvMeshModifierIO::applyDefinitionToObject(QObject* object, DzFileIOSettings const*) const {
    HvMeshModifier* modifier = asMeshModifier(object);
    if (!modifier || !m_pContext)
        return 0;
    if (m_pContext->unordered) {
        // Ascending, and of a vertex listed more than once the last value.
        std::vector<HvVertexOffsets::value_type>& read = m_pContext->deltas.entries();
        std::stable_sort(read.begin(), read.end(),
                         [](auto const& a, auto const& b) { return a.first < b.first; });
        auto last = read.begin();
        for (auto it = read.begin(); it != read.end(); ++it) {
            if (it + 1 != read.end() && (it + 1)->first == it->first)
                continue;
            *last++ = *it;
        }
        read.erase(last, read.end());
        m_pContext->unordered = false;
    }
    HvMeshModifierLock lock(*modifier);
    modifier->getOffsets() = std::move(m_pContext->deltas);
    m_pContext->deltas.clear();  // consumed: a second apply gives an empty map
    modifier->triggerCompact();
    return 0;
}

int HvMeshModifierIO::applyInstanceToObject(QObject*, DzFileIOSettings const*) const {
    return 0;
}

bool HvMeshModifierIO::shouldWrite(QObject* object, DzFileIOSettings const*) const {
    HvMeshModifier* modifier = asMeshModifier(object);
    if (!modifier)
        return false;
    HvMeshModifierLock lock(*modifier);
    return !modifier->getOffsets().empty();
}

DzModifier* HvMeshModifierIO::createModifier(QString const&, DzObject* object) const {
    HvMeshModifier* modifier = createModifierInstance();
    if (modifier && object)
        object->addModifier(modifier, -1);
    return modifier;
}

// ---- the read handlers ----

HvReadMeshModifierRoot::HvReadMeshModifierRoot(HvMeshModifierIO::Context* context)
    : DzAssetJsonObject(context->pFile), m_pContext(context) {}

DzAssetJsonItem* HvReadMeshModifierRoot::startMemberObject(QString const& name) {
    if (name == HvMeshModifierIO::_Q_ARRAY_KEY_HV_DELTAS)
        return new HvReadFloat3IndexedArrayObject(m_pContext);
    return DzAssetJsonObject::startMemberObject(name);
}

HvReadFloat3IndexedArrayObject::HvReadFloat3IndexedArrayObject(HvMeshModifierIO::Context* context)
    : DzAssetJsonObject(context->pFile), m_pContext(context) {}

DzAssetJsonItem* HvReadFloat3IndexedArrayObject::startMemberArray(QString const& name) {
    if (name == HvMeshModifierIO::_Q_ARRAY_KEY_VALUES)
        return new HvReadMeshModifierAllDeltasArray(m_pContext);
    return DzAssetJsonObject::startMemberArray(name);
}

bool HvReadFloat3IndexedArrayObject::addMember(QString const& name, double value) {
    if (name != HvMeshModifierIO::_Q_ARRAY_KEY_COUNT)
        return DzAssetJsonObject::addMember(name, value);
    // A count that no unsigned 64-bit integer holds is ignored.
    if (value > -1.0 && value < 18446744073709551616.0)
        m_pContext->count = uint64_t(value);
    return true;
}

HvReadMeshModifierAllDeltasArray::HvReadMeshModifierAllDeltasArray(HvMeshModifierIO::Context* context)
    : DzAssetJsonArray(context->pFile), m_pContext(context) {
    m_pContext->itemCounter = 0;
}

DzAssetJsonItem* HvReadMeshModifierAllDeltasArray::startArray() {
    return new HvReadMeshModifierOneDeltaArray(m_pContext);
}

HvReadMeshModifierOneDeltaArray::HvReadMeshModifierOneDeltaArray(HvMeshModifierIO::Context* context)
    : DzAssetJsonArray(context->pFile), m_pContext(context) {}

bool HvReadMeshModifierOneDeltaArray::addItem(double value) {
    HvMeshModifierIO::Context& c = *m_pContext;
    int64_t const k = c.itemCounter++;
    switch (k) {
        case 0:
            c.index = indexFromNumber(value);
            break;
        case 1:
            c.x = float(value);
            break;
        case 2:
            c.y = float(value);
            break;
        default: {
            // Files list the deltas in ascending order; any other order is put right once, when applied.
            std::vector<HvVertexOffsets::value_type>& read = c.deltas.entries();
            if (!read.empty() && read.back().first >= c.index)
                c.unordered = true;
            read.emplace_back(c.index, HvVec3(c.x, c.y, float(value)));
        }
            c.itemCounter = 0;
            break;
    }
    return true;
}
