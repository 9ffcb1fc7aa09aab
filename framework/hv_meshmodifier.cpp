#include "hv_meshmodifier.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>
#include <cfloat>
#include <cmath>
#include <vector>

#include "dzobject.h"
#include "dzvertexmesh.h"
#include "hv_threadpool.h"

namespace {
int const kCompactDelayMs = 3000;
// Components strictly below this in magnitude count as zero; NaN never does.
float const kCompactThreshold = FLT_EPSILON;

using Entry = HvVertexOffsets::value_type;

// Writes below this many values run on the calling thread: queueing would cost more than it saves.
size_t const kParallelWrite = size_t(1) << 16;
// Parts of a parallel write; more than the pool's threads, so that uneven parts even out.
size_t const kWriteParts = 32;

// The pool runs loops from the GUI thread only.
bool MayUsePool() {
    QCoreApplication const* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

inline HvVec3 NewEntry(HvMeshModifier::WriteMode mode, HvVec3 const& value) {
    // A new entry is the value itself, as if added to zero.
    return mode == HvMeshModifier::WriteMode::Subtract ? HvVec3(-value.x, -value.y, -value.z) : value;
}

inline void Combine(HvMeshModifier::WriteMode mode, HvVec3& d, HvVec3 const& value) {
    switch (mode) {
        case HvMeshModifier::WriteMode::Assign:
            d = value;
            break;
        case HvMeshModifier::WriteMode::Add:
            d.x += value.x;
            d.y += value.y;
            d.z += value.z;
            break;
        case HvMeshModifier::WriteMode::Subtract:
            d.x -= value.x;
            d.y -= value.y;
            d.z -= value.z;
            break;
    }
}

// Moves j on to the first entry of [j, end) at or above the vertex: a few steps, as a drag writes the same
// vertices again and undo runs of neighbours, then a search over a long gap.
inline size_t Advance(Entry const* map, size_t j, size_t end, int32_t vertex) {
    for (int steps = 0; steps < 8; ++steps) {
        if (j == end || map[j].first >= vertex)
            return j;
        ++j;
    }
    return size_t(
        std::lower_bound(map + j, map + end, vertex, [](Entry const& e, int32_t v) { return e.first < v; }) -
        map);
}

// One part of a write: values [vBegin, vEnd) against the entries [mBegin, mEnd) that lie between the part's
// first value and the next part's.
struct WritePart {
    size_t vBegin = 0, vEnd = 0, mBegin = 0, mEnd = 0;
    size_t missing = 0;  // values without an entry
    size_t out = 0;      // where the part's entries start in a merged array
};

size_t CountMissing(Entry const* map, Entry const* values, WritePart const& part) {
    size_t missing = 0;
    size_t j = part.mBegin;
    for (size_t i = part.vBegin; i < part.vEnd; ++i) {
        j = Advance(map, j, part.mEnd, values[i].first);
        if (j == part.mEnd || map[j].first != values[i].first)
            ++missing;
    }
    return missing;
}

void WriteInPlace(Entry* map, Entry const* values, WritePart const& part, HvMeshModifier::WriteMode mode) {
    size_t j = part.mBegin;
    for (size_t i = part.vBegin; i < part.vEnd; ++i) {
        j = Advance(map, j, part.mEnd, values[i].first);
        Combine(mode, map[j].second, values[i].second);
    }
}

void WriteMerged(Entry const* map, Entry const* values, WritePart const& part, Entry* out,
                 HvMeshModifier::WriteMode mode) {
    size_t j = part.mBegin;
    for (size_t i = part.vBegin; i < part.vEnd; ++i) {
        int32_t const vertex = values[i].first;
        while (j < part.mEnd && map[j].first < vertex) *out++ = map[j++];
        if (j < part.mEnd && map[j].first == vertex) {
            *out = map[j++];
            Combine(mode, out->second, values[i].second);
        } else {
            *out = Entry(vertex, NewEntry(mode, values[i].second));
        }
        ++out;
    }
    while (j < part.mEnd) *out++ = map[j++];
}

}  // namespace

struct HvMeshModifier::Impl {
    std::mutex lock;
    HvVertexOffsets deltas;
    QTimer compactTimer;  // no parent: it dies with the modifier's private data
    std::string lastImportedMorphName;
};

HvMeshModifier::HvMeshModifier(char const* name) : m_pImpl(std::make_unique<Impl>()) {
    setObjectName(QString::fromUtf8(name));
    connect(&m_pImpl->compactTimer, &QTimer::timeout, this, &HvMeshModifier::slotCompactDelayed);
}

HvMeshModifier::~HvMeshModifier() = default;

int HvMeshModifier::apply(DzVertexMesh& mesh, DzNode&) {
    uint32_t const count = uint32_t(mesh.getNumVertices());
    float(*vertices)[3] = mesh.getVerticesPtr();
    std::lock_guard<std::mutex> guard(m_pImpl->lock);
    Entry const* const entries = m_pImpl->deltas.data();
    size_t const n = m_pImpl->deltas.size();
    // Each entry moves its own vertex, so parts never write the same one.
    HvThreadPool::Get()->parallelFor(
        n,
        [&](size_t begin, size_t end) {
            for (size_t k = begin; k < end; ++k) {
                uint32_t const i = uint32_t(entries[k].first);
                if (i >= count)
                    continue;
                HvVec3 const& offset = entries[k].second;
                vertices[i][0] += offset.x;
                vertices[i][1] += offset.y;
                vertices[i][2] += offset.z;
            }
        },
        n >= kParallelWrite && MayUsePool());
    return 0;
}

int HvMeshModifier::applyInverse(DzVertexMesh&, DzNode&) {
    return 0;
}

HvVec3 HvMeshModifier::getDelta(unsigned int vertex) const {
    std::lock_guard<std::mutex> guard(m_pImpl->lock);
    auto it = m_pImpl->deltas.find(int32_t(vertex));
    return it == m_pImpl->deltas.end() ? HvVec3(0.0f, 0.0f, 0.0f) : it->second;
}

size_t HvMeshModifier::getNoOfDeltas() const {
    std::lock_guard<std::mutex> guard(m_pImpl->lock);
    return m_pImpl->deltas.size();
}

void HvMeshModifier::clearDeltas() {
    std::lock_guard<std::mutex> guard(m_pImpl->lock);
    m_pImpl->deltas.clear();
    m_pImpl->lastImportedMorphName.clear();
}

HvVertexOffsets HvMeshModifier::getDeltas() const {
    std::lock_guard<std::mutex> guard(m_pImpl->lock);
    return m_pImpl->deltas;
}

void HvMeshModifier::setDeltas(HvVertexOffsets const& offsets) {
    {
        std::lock_guard<std::mutex> guard(m_pImpl->lock);
        WriteOrdered(m_pImpl->deltas, offsets, WriteMode::Assign);
    }
    triggerCompact();
}

void HvMeshModifier::replaceDeltas(HvVertexOffsets const& offsets) {
    // Copied outside the lock, so that the lock is held only for the swap.
    HvVertexOffsets copy(offsets);
    {
        std::lock_guard<std::mutex> guard(m_pImpl->lock);
        m_pImpl->deltas.swap(copy);
    }
    triggerCompact();
}

void HvMeshModifier::mergeDeltas(HvVertexOffsets const& offsets, AddOrSubtract mode) {
    {
        std::lock_guard<std::mutex> guard(m_pImpl->lock);
        WriteOrdered(m_pImpl->deltas, offsets, mode == WriteMode::Add ? WriteMode::Add : WriteMode::Subtract);
    }
    triggerCompact();
}

void HvMeshModifier::WriteOrderedArray(HvVertexOffsets& map, Entry const* values, size_t count,
                                       WriteMode mode) {
    if (count == 0)
        return;
    bool const parallel = count >= kParallelWrite && MayUsePool();
    size_t const partCount = parallel ? kWriteParts : 1;
    std::vector<WritePart> parts(partCount);
    for (size_t p = 0; p < partCount; ++p) {
        WritePart& part = parts[p];
        part.vBegin = count * p / partCount;
        part.vEnd = count * (p + 1) / partCount;
        // A part's entries run up to the next part's first value; the first part's from the start.
        part.mBegin = p == 0 ? 0 : parts[p - 1].mEnd;
        part.mEnd = p + 1 == partCount ? map.size() : map.lowerIndex(values[part.vEnd].first, part.mBegin);
    }
    Entry* const entries = map.data();
    auto forEachPart = [&](auto const& body) {
        HvThreadPool::Get()->parallelFor(
            partCount,
            [&](size_t begin, size_t end) {
                for (size_t p = begin; p < end; ++p) body(parts[p]);
            },
            parallel);
    };
    forEachPart([&](WritePart& part) { part.missing = CountMissing(entries, values, part); });
    size_t missing = 0;
    for (WritePart& part : parts) {
        part.out = part.mBegin + missing;
        missing += part.missing;
    }
    if (missing == 0) {
        forEachPart([&](WritePart const& part) { WriteInPlace(entries, values, part, mode); });
        return;
    }
    std::vector<Entry> merged(map.size() + missing);
    forEachPart(
        [&](WritePart const& part) { WriteMerged(entries, values, part, merged.data() + part.out, mode); });
    map.entries().swap(merged);
}

void HvMeshModifier::triggerCompact() {
    m_pImpl->compactTimer.setSingleShot(true);
    m_pImpl->compactTimer.start(kCompactDelayMs);
}

void HvMeshModifier::slotCompactDelayed() {
    std::lock_guard<std::mutex> guard(m_pImpl->lock);
    if (m_pImpl->deltas.empty())
        return;
    auto below = [](float v) { return std::fabs(v) < kCompactThreshold; };
    bool const erased = m_pImpl->deltas.eraseIf([&](Entry const& e) {
        HvVec3 const& d = e.second;
        return below(d.x) && below(d.y) && below(d.z);
    });
    if (erased)
        modifierStatsChanged();
}

void HvMeshModifier::emitCurrentValueChanged() {
    emit currentValueChanged();
}

HvVertexOffsets& HvMeshModifier::getOffsets() {
    return m_pImpl->deltas;
}

std::string const& HvMeshModifier::getLastImportedMorphName() const {
    return m_pImpl->lastImportedMorphName;
}

void HvMeshModifier::setLastImportedMorphName(std::string const& name) {
    m_pImpl->lastImportedMorphName = name;
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

HvMeshModifierLock::HvMeshModifierLock(HvMeshModifier& modifier) : m_pMutex(&modifier.m_pImpl->lock) {
    m_pMutex->lock();
}

HvMeshModifierLock::~HvMeshModifierLock() {
    m_pMutex->unlock();
}
