#include "hv_meshmodifier.h"

#include <QTimer>
#include <cfloat>
#include <cmath>

#include "dzobject.h"
#include "dzvertexmesh.h"

namespace {
int const kCompactDelayMs = 3000;
// Components strictly below this in magnitude count as zero; NaN never does.
float const kCompactThreshold = FLT_EPSILON;
}  // namespace

struct HvMeshModifier::Impl {
    std::mutex lock;
    HvVertexOffsets deltas;
    QTimer compactTimer;  // no parent: it dies with the modifier's private data
    std::string lastImportedMorphName;
};

HvMeshModifier::HvMeshModifier(char const* name) : m(std::make_unique<Impl>()) {
    setObjectName(QString::fromUtf8(name));
    connect(&m->compactTimer, &QTimer::timeout, this, &HvMeshModifier::slotCompactDelayed);
}

HvMeshModifier::~HvMeshModifier() = default;

int HvMeshModifier::apply(DzVertexMesh& mesh, DzNode&) {
    uint32_t const count = uint32_t(mesh.getNumVertices());
    float(*vertices)[3] = mesh.getVerticesPtr();
    std::lock_guard<std::mutex> guard(m->lock);
    for (auto const& [index, offset] : m->deltas) {
        uint32_t const i = uint32_t(index);
        if (i >= count)
            continue;
        vertices[i][0] += offset.x;
        vertices[i][1] += offset.y;
        vertices[i][2] += offset.z;
    }
    return 0;
}

int HvMeshModifier::applyInverse(DzVertexMesh&, DzNode&) {
    return 0;
}

HvVec3 HvMeshModifier::getDelta(unsigned int vertex) const {
    std::lock_guard<std::mutex> guard(m->lock);
    auto it = m->deltas.find(int32_t(vertex));
    return it == m->deltas.end() ? HvVec3(0.0f, 0.0f, 0.0f) : it->second;
}

size_t HvMeshModifier::getNoOfDeltas() const {
    std::lock_guard<std::mutex> guard(m->lock);
    return m->deltas.size();
}

void HvMeshModifier::clearDeltas() {
    std::lock_guard<std::mutex> guard(m->lock);
    m->deltas.clear();
    m->lastImportedMorphName.clear();
}

HvVertexOffsets HvMeshModifier::getDeltas() const {
    std::lock_guard<std::mutex> guard(m->lock);
    return m->deltas;
}

void HvMeshModifier::setDeltas(HvVertexOffsets const& offsets) {
    {
        std::lock_guard<std::mutex> guard(m->lock);
        WriteOrdered(m->deltas, offsets, WriteAssign);
    }
    triggerCompact();
}

void HvMeshModifier::replaceDeltas(HvVertexOffsets const& offsets) {
    // Copied outside the lock, so that the lock is held only for the swap.
    HvVertexOffsets copy(offsets);
    {
        std::lock_guard<std::mutex> guard(m->lock);
        m->deltas.swap(copy);
    }
    triggerCompact();
}

void HvMeshModifier::mergeDeltas(HvVertexOffsets const& offsets, AddOrSubtract mode) {
    {
        std::lock_guard<std::mutex> guard(m->lock);
        WriteOrdered(m->deltas, offsets, mode == Add ? WriteAdd : WriteSubtract);
    }
    triggerCompact();
}

void HvMeshModifier::triggerCompact() {
    m->compactTimer.setSingleShot(true);
    m->compactTimer.start(kCompactDelayMs);
}

void HvMeshModifier::slotCompactDelayed() {
    std::lock_guard<std::mutex> guard(m->lock);
    if (m->deltas.empty())
        return;
    auto below = [](float v) { return std::fabs(v) < kCompactThreshold; };
    bool erased = false;
    for (auto it = m->deltas.begin(); it != m->deltas.end();) {
        HvVec3 const& d = it->second;
        if (below(d.x) && below(d.y) && below(d.z)) {
            it = m->deltas.erase(it);
            erased = true;
        } else {
            ++it;
        }
    }
    if (erased)
        modifierStatsChanged();
}

void HvMeshModifier::emitCurrentValueChanged() {
    emit currentValueChanged();
}

HvVertexOffsets& HvMeshModifier::getOffsets() {
    return m->deltas;
}

std::string const& HvMeshModifier::getLastImportedMorphName() const {
    return m->lastImportedMorphName;
}

void HvMeshModifier::setLastImportedMorphName(std::string const& name) {
    m->lastImportedMorphName = name;
}

DzModifier* HvMeshModifier::FindOrInsert(DzNode&, DzObject& object, char const* name,
                                         std::function<DzModifier*()> factory) {
    int insertAt = -1;
    int position = 0;
    for (DzModifierIterator it = object.modifierIterator(); it.hasNext(); ++position) {
        DzModifier* modifier = it.next();
        if (modifier->inherits("DzSkinBinding") || modifier->inherits("DzLegacyBinding")) {
            insertAt = position;
            break;
        }
    }
    if (DzModifier* existing = object.findModifier(QString::fromUtf8(name)))
        return existing;
    DzModifier* created = factory();
    object.addModifier(created, insertAt);
    return created;
}

HvMeshModifierLock::HvMeshModifierLock(HvMeshModifier& modifier) : m_pMutex(&modifier.m->lock) {
    m_pMutex->lock();
}

HvMeshModifierLock::~HvMeshModifierLock() {
    m_pMutex->unlock();
}
