#include "pf_falloff.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <mutex>
#include <utility>
#include <vector>

#include "dzfacetmesh.h"
#include "hv_geometry.h"
#include "hv_threadpool.h"

namespace {

// The C generator is one per process: every draw and the seeding go through this lock.
std::mutex g_randomMutex;

double DrawRandom(bool* pSeeded) {
    std::lock_guard<std::mutex> lock(g_randomMutex);
    if (!*pSeeded) {
        std::srand(static_cast<unsigned>(std::time(nullptr)));
        *pSeeded = true;
    }
    return double(std::rand()) / double(RAND_MAX);
}

unsigned char const kSelected = 0x01;
unsigned char const kExcluded = 0x02;
unsigned char const kHiddenFacet = 0x02;

float const kInfinity = std::numeric_limits<float>::infinity();

// A search bound may only skip points that certainly lie at or beyond the current limit. ComputeDistance
// rounds three times in single precision (a few units in 2^-24 relative) and a subnormal result loses up to
// 2^-149 absolute; the margins below are far wider than both.
double const kRelativeMargin = 1e-5;
double const kAbsoluteMargin = 1e-30;
double const kShrink = (1.0 - kRelativeMargin) * (1.0 - kRelativeMargin);
// The same for the reach of a run of vertices, which adds up a few more rounded distances.
double const kRunMargin = 1e-4;

// Vertices per run that share one set of candidate selected vertices, and the most candidates worth
// comparing with every vertex of a run; with more the tree is searched for each vertex.
size_t const kRun = 16;
size_t const kMaxCandidates = 48;

// Whether every point whose squared distance (in double) from the query is at least `distance2` has a
// ComputeDistance of at least `limit`.
inline bool AtOrBeyond(double distance2, double limit) {
    double const reach = limit + kAbsoluteMargin;
    return distance2 * kShrink >= reach * reach;
}

// Runs task(i) for every i in [0, count) on the pool's threads (the caller's included), each thread taking
// the next index when it is free: the work per index may be far from even, as when a selection sits in one
// corner of the mesh. The first exception stops the taking and reaches the caller once every thread is done.
template <typename Task>
void ForEachIndexOnPool(size_t count, Task const& task, bool parallel) {
    if (count == 0) {
        return;
    }
    std::atomic<size_t> next{0};
    std::atomic<bool> failed{false};
    HvThreadPool::Get()->parallelFor(
        count,
        [&](size_t, size_t) {
            try {
                while (!failed.load(std::memory_order_relaxed)) {
                    size_t const i = next.fetch_add(1, std::memory_order_relaxed);
                    if (i >= count) {
                        return;
                    }
                    task(i);
                }
            } catch (...) {
                failed.store(true, std::memory_order_relaxed);
                throw;
            }
        },
        parallel);
}

struct Point {
    float c[3];
};

// Squared distance in double; exact differences of floats.
inline double Distance2(float const a[3], float const b[3]) {
    double const dx = double(a[0]) - double(b[0]);
    double const dy = double(a[1]) - double(b[1]);
    double const dz = double(a[2]) - double(b[2]);
    return dx * dx + dy * dy + dz * dz;
}

// A balanced k-d tree over the selected positions, for the nearest one to a vertex. Node i has the children
// 2i + 1 and 2i + 2 and all leaves are on the last level, so subtrees of one level are built independently.
class NearestIndex {
public:
    explicit NearestIndex(std::vector<Point> points) : m_points(std::move(points)) {
        size_t const n = m_points.size();
        if (n == 0) {
            return;
        }
        // The levels below the root halve the ranges, so the last level's are at most a leaf's size.
        unsigned depth = 0;
        while (((n + (size_t(1) << depth) - 1) >> depth) > kLeafSize) {
            ++depth;
        }
        m_firstLeaf = (uint32_t(1) << depth) - 1;
        m_nodes.resize((size_t(1) << (depth + 1)) - 1);
        m_nodes[0].begin = 0;
        m_nodes[0].end = uint32_t(n);
        for (unsigned level = 0; level <= depth; ++level) {
            size_t const first = (size_t(1) << level) - 1;
            bool const split = level < depth;
            ForEachIndexOnPool(
                size_t(1) << level, [&](size_t i) { buildNode(first + i, split); }, n >= kParallelBuild);
        }
    }

    bool empty() const { return m_points.empty(); }

    // The smallest ComputeDistance from q to the points wherever that is below `limit`; otherwise a value at
    // or above the limit. `hint` names a point to start from (any value) and becomes the nearest one found.
    float nearest(float const q[3], double limit, uint32_t& hint) const {
        float best = kInfinity;
        if (hint < m_points.size()) {
            best = HvPoint3::ComputeDistance(q, m_points[hint].c);
            limit = std::min(limit, double(best));
        }
        struct Entry {
            uint32_t node;
            double distance2;
        };
        Entry stack[64];  // one far child per level at most, and the depth stays below 32
        int top = 0;
        double const root = boxDistance2(m_nodes[0], q);
        if (AtOrBeyond(root, limit)) {
            return best;
        }
        stack[top++] = {0, root};
        while (top > 0) {
            Entry const entry = stack[--top];
            if (AtOrBeyond(entry.distance2, limit)) {
                continue;
            }
            Node const& node = m_nodes[entry.node];
            if (entry.node >= m_firstLeaf) {
                for (uint32_t i = node.begin; i < node.end; ++i) {
                    float const* p = m_points[i].c;
                    double const dx = double(q[0]) - double(p[0]);
                    double const dy = double(q[1]) - double(p[1]);
                    double const dz = double(q[2]) - double(p[2]);
                    if (AtOrBeyond(dx * dx + dy * dy + dz * dz, limit)) {
                        continue;
                    }
                    float const d = HvPoint3::ComputeDistance(q, p);
                    if (d < best) {
                        best = d;
                        hint = i;
                        limit = std::min(limit, double(best));
                    }
                }
                continue;
            }
            uint32_t nearChild = 2 * entry.node + 1;
            uint32_t farChild = nearChild + 1;
            double nearDistance2 = boxDistance2(m_nodes[nearChild], q);
            double farDistance2 = boxDistance2(m_nodes[farChild], q);
            if (farDistance2 < nearDistance2) {
                std::swap(nearChild, farChild);
                std::swap(nearDistance2, farDistance2);
            }
            if (!AtOrBeyond(farDistance2, limit)) {
                stack[top++] = {farChild, farDistance2};
            }
            if (!AtOrBeyond(nearDistance2, limit)) {
                stack[top++] = {nearChild, nearDistance2};
            }
        }
        return best;
    }

    // One walk for a run: sets `out` to the points within reachOf(nearest) of c, where nearest is the
    // distance from c to its nearest point, and `nearest` to a lower bound of that distance (the distance
    // itself, in double, unless it lies beyond the final reach). reachOf must not decrease with its argument.
    // The reach shrinks as nearer points are found, nearer boxes first. False, and `out` incomplete, when
    // more than `most` points were read within the reach of their time.
    template <typename ReachOf>
    bool gather(float const c[3], ReachOf const& reachOf, size_t most, std::vector<uint32_t>& out,
                double& nearest, uint32_t& hint) const {
        out.clear();
        double best2 = HUGE_VAL;
        double reach = reachOf(HUGE_VAL);
        if (hint < m_points.size()) {
            best2 = Distance2(c, m_points[hint].c);
            reach = std::min(reach, reachOf(std::sqrt(best2)));
        }
        double reach2 = reach * reach;
        if (m_points.empty()) {
            nearest = HUGE_VAL;
            return true;
        }
        struct Entry {
            uint32_t node;
            double distance2;
        };
        Entry stack[64];  // two entries per level at most, and the depth stays below 32
        int top = 0;
        stack[top++] = {0, boxDistance2(m_nodes[0], c)};
        while (top > 0) {
            Entry const entry = stack[--top];
            if (entry.distance2 > reach2) {
                continue;
            }
            Node const& node = m_nodes[entry.node];
            if (entry.node >= m_firstLeaf) {
                for (uint32_t k = node.begin; k < node.end; ++k) {
                    double const distance2 = Distance2(c, m_points[k].c);
                    if (distance2 < best2) {
                        best2 = distance2;
                        hint = k;
                        reach = std::min(reach, reachOf(std::sqrt(best2)));
                        reach2 = reach * reach;
                    }
                    if (distance2 <= reach2) {
                        out.push_back(k);
                    }
                }
                if (out.size() > most) {
                    return false;
                }
                continue;
            }
            uint32_t nearChild = 2 * entry.node + 1;
            uint32_t farChild = nearChild + 1;
            double nearDistance2 = boxDistance2(m_nodes[nearChild], c);
            double farDistance2 = boxDistance2(m_nodes[farChild], c);
            if (farDistance2 < nearDistance2) {
                std::swap(nearChild, farChild);
                std::swap(nearDistance2, farDistance2);
            }
            stack[top++] = {farChild, farDistance2};
            stack[top++] = {nearChild, nearDistance2};
        }
        // Points read before the reach shrank may lie beyond it.
        out.erase(std::remove_if(out.begin(), out.end(),
                                 [&](uint32_t k) { return Distance2(c, m_points[k].c) > reach2; }),
                  out.end());
        // Every point not read lies beyond the reach.
        nearest = std::min(std::sqrt(best2), reach);
        return true;
    }

    Point const& point(size_t i) const { return m_points[i]; }

private:
    static size_t const kLeafSize = 16;
    static size_t const kParallelBuild = 8192;

    struct Node {
        float lo[3];
        float hi[3];
        uint32_t begin = 0;
        uint32_t end = 0;
    };

    // Bounds the node's range; when it splits, at its median along the widest axis.
    void buildNode(size_t index, bool split) {
        Node& node = m_nodes[index];
        Point* const begin = m_points.data() + node.begin;
        Point* const end = m_points.data() + node.end;
        for (int k = 0; k < 3; ++k) {
            node.lo[k] = begin->c[k];
            node.hi[k] = begin->c[k];
        }
        for (Point const* p = begin + 1; p < end; ++p) {
            for (int k = 0; k < 3; ++k) {
                node.lo[k] = std::min(node.lo[k], p->c[k]);
                node.hi[k] = std::max(node.hi[k], p->c[k]);
            }
        }
        if (!split) {
            return;
        }
        int axis = 0;
        for (int k = 1; k < 3; ++k) {
            if (double(node.hi[k]) - node.lo[k] > double(node.hi[axis]) - node.lo[axis]) {
                axis = k;
            }
        }
        uint32_t const mid = node.begin + (node.end - node.begin) / 2;
        std::nth_element(begin, m_points.data() + mid, end,
                         [axis](Point const& a, Point const& b) { return a.c[axis] < b.c[axis]; });
        Node& left = m_nodes[2 * index + 1];
        Node& right = m_nodes[2 * index + 2];
        left.begin = node.begin;
        left.end = mid;
        right.begin = mid;
        right.end = node.end;
    }

    // Squared distance in double from q to the node's box; 0 inside.
    static double boxDistance2(Node const& node, float const q[3]) {
        double sum = 0.0;
        // Without branches: which side of a box a query lies on is hard to predict.
        for (int k = 0; k < 3; ++k) {
            double const x = q[k];
            double const gap = std::max(0.0, std::max(double(node.lo[k]) - x, x - double(node.hi[k])));
            sum += gap * gap;
        }
        return sum;
    }

    std::vector<Point> m_points;
    std::vector<Node> m_nodes;
    uint32_t m_firstLeaf = 0;
};

// The selected vertices near a run of vertices, in ascending distance from the run's centre. A vertex q's
// nearest one lies within |q - centre| + (its distance to any of them) of the centre, so the farther ones are
// left unread once the nearest found so far bounds that.
class Candidates {
public:
    void assign(float const centre[3], NearestIndex const& index, std::vector<uint32_t> const& points) {
        for (int k = 0; k < 3; ++k) m_centre[k] = centre[k];
        m_entries.clear();
        for (uint32_t i : points) {
            Point const& p = index.point(i);
            m_entries.push_back({std::sqrt(Distance2(centre, p.c)), p});
        }
        std::sort(m_entries.begin(), m_entries.end(),
                  [](Entry const& a, Entry const& b) { return a.fromCentre < b.fromCentre; });
        m_last = std::numeric_limits<size_t>::max();
    }

    // The smallest ComputeDistance from q to the points wherever that is below `limit`; otherwise a value at
    // or above the limit. The previous query's nearest point is tried first: neighbouring vertices mostly
    // share it.
    float nearest(float const q[3], double limit) {
        float d = kInfinity;
        if (m_last < m_entries.size()) {
            float const* p = m_entries[m_last].point.c;
            if (!AtOrBeyond(Distance2(q, p), limit)) {
                d = HvPoint3::ComputeDistance(q, p);
                limit = std::min(limit, double(d));
            }
        }
        // A point whose ComputeDistance from q is below the limit is nearer than this to the centre; the
        // margins are far wider than the rounding of the square roots and of ComputeDistance.
        double const fromCentre = std::sqrt(Distance2(m_centre, q)) * (1.0 + kRunMargin);
        auto bound = [&] {
            return (fromCentre + limit * (1.0 + kRunMargin) + kAbsoluteMargin) * (1.0 + 2.0 * kRunMargin);
        };
        double reach = bound();
        for (size_t k = 0; k < m_entries.size(); ++k) {
            Entry const& entry = m_entries[k];
            if (entry.fromCentre > reach) {
                break;
            }
            if (k == m_last || AtOrBeyond(Distance2(q, entry.point.c), limit)) {
                continue;
            }
            float const distance = HvPoint3::ComputeDistance(q, entry.point.c);
            if (distance < d) {
                d = distance;
                m_last = k;
                limit = std::min(limit, double(d));
                reach = bound();
            }
        }
        return d;
    }

private:
    struct Entry {
        double fromCentre;
        Point point;
    };

    float m_centre[3] = {0.0f, 0.0f, 0.0f};
    std::vector<Entry> m_entries;
    size_t m_last = std::numeric_limits<size_t>::max();
};

using Weights = std::vector<PfAffectedWeights::value_type>;

// The blocks' weight arrays, kept from one computation to the next: fresh memory costs a page fault per page,
// and the threads' faults wait for each other. A computation takes them all (one running at the same time
// starts with none) and gives them back emptied.
class SpareBlocks {
public:
    explicit SpareBlocks(size_t count) {
        {
            std::lock_guard<std::mutex> lock(s_mutex);
            m_blocks.swap(s_blocks);
        }
        m_blocks.resize(count);
    }
    ~SpareBlocks() {
        for (Weights& block : m_blocks) block.clear();
        std::lock_guard<std::mutex> lock(s_mutex);
        if (m_blocks.size() > s_blocks.size()) {
            m_blocks.swap(s_blocks);
        }
    }
    SpareBlocks(SpareBlocks const&) = delete;
    SpareBlocks& operator=(SpareBlocks const&) = delete;

    std::vector<Weights>& blocks() { return m_blocks; }

private:
    static std::mutex s_mutex;
    static std::vector<Weights> s_blocks;

    std::vector<Weights> m_blocks;
};

std::mutex SpareBlocks::s_mutex;
std::vector<Weights> SpareBlocks::s_blocks;

// Below this many weights they are put together on the calling thread.
size_t const kParallelConcatenate = 65536;

// Concatenates the blocks, each in index order, into the weights; in parallel, each block at its own place.
void Concatenate(std::vector<Weights> const& blocks, PfAffectedWeights& affected) {
    std::vector<size_t> starts(blocks.size() + 1, 0);
    for (size_t b = 0; b < blocks.size(); ++b) starts[b + 1] = starts[b] + blocks[b].size();
    std::vector<PfAffectedWeights::value_type>& out = affected.entries();
    out.resize(starts.back());
    ForEachIndexOnPool(
        blocks.size(),
        [&](size_t b) {
            std::copy(blocks[b].begin(), blocks[b].end(), out.begin() + std::ptrdiff_t(starts[b]));
        },
        starts.back() >= kParallelConcatenate);
}

// The reference: every vertex against every selected one. Each range's entries are in index order; the
// ranges are put together in order.
void ComputeBruteForce(PfFalloffMesh const& mesh, std::vector<unsigned char> const& state,
                       std::vector<Point> const& sources, double radius, PfFalloffCurve const& curve,
                       PfAffectedWeights& affected) {
    std::mutex mutex;
    std::map<size_t, Weights> ranges;
    HvThreadPool::Get()->parallelFor(
        state.size(),
        [&](size_t begin, size_t end) {
            Weights out;
            for (size_t v = begin; v < end; ++v) {
                if (state[v] & kExcluded) {
                    continue;
                }
                double weight = 1.0;
                if (!(state[v] & kSelected)) {
                    if (radius == 0.0) {
                        continue;
                    }
                    float d = kInfinity;
                    for (Point const& s : sources) {
                        float const distance = HvPoint3::ComputeDistance(mesh.vertices[v], s.c);
                        if (distance < d) {
                            d = distance;
                        }
                    }
                    if (!(d < radius)) {
                        continue;
                    }
                    weight = curve(double(d) / radius);
                }
                out.emplace_back(int(v), weight);
            }
            // Empty ranges may share their start with another one.
            if (out.empty()) {
                return;
            }
            std::lock_guard<std::mutex> lock(mutex);
            ranges[begin] = std::move(out);
        },
        true);
    std::vector<Weights> blocks;
    blocks.reserve(ranges.size());
    for (auto& range : ranges) blocks.push_back(std::move(range.second));
    Concatenate(blocks, affected);
}

// The same weights from a k-d tree over the selected positions. A non-finite position is at no finite
// distance from anything, so it neither gets nor gives a weight. Blocks of vertices are taken as threads come
// free and each block's entries are already in index order, so the weights are the blocks put together.
void ComputeIndexed(PfFalloffMesh const& mesh, std::vector<unsigned char> const& state,
                    std::vector<Point> sources, double radius, PfFalloffCurve const& curve,
                    PfAffectedWeights& affected) {
    bool const reaches = radius > 0.0;
    sources.erase(
        std::remove_if(sources.begin(), sources.end(), [](Point const& p) { return !HvIsFinite(p.c); }),
        sources.end());
    if (!reaches) {
        sources.clear();
    }
    NearestIndex const index(std::move(sources));

    size_t const kBlock = 4096;
    size_t const n = state.size();
    SpareBlocks spare((n + kBlock - 1) / kBlock);
    std::vector<Weights>& blocks = spare.blocks();
    ForEachIndexOnPool(
        blocks.size(),
        [&](size_t b) {
            Weights& out = blocks[b];
            size_t const end = std::min(n, (b + 1) * kBlock);
            // At most one entry per vertex: room for all of them once, instead of copies on growing.
            out.reserve(end - b * kBlock);
            uint32_t hint = std::numeric_limits<uint32_t>::max();
            std::vector<uint32_t> found;
            Candidates candidates;
            for (size_t first = b * kBlock; first < end; first += kRun) {
                size_t const last = std::min(end, first + kRun);
                auto needsDistance = [&](size_t v) {
                    return !(state[v] & (kExcluded | kSelected)) && !index.empty() &&
                           HvIsFinite(mesh.vertices[v]);
                };
                // Neighbouring vertices of a mesh mostly lie close together: their nearest selected vertices
                // are among the few near the run, which are compared with each vertex instead of searching
                // the tree for every one. The run's centre c and reach h (every vertex of the run within h
                // of c); the nearest selected vertex of each vertex below the radius is then at most
                // min(d(c, nearest of c) + h, radius) + h from c. The margins are far wider than the
                // rounding of ComputeDistance.
                bool useCandidates = false;
                bool beyondRadius = false;
                float centre[3] = {0.0f, 0.0f, 0.0f};
                {
                    double lo[3] = {HUGE_VAL, HUGE_VAL, HUGE_VAL};
                    double hi[3] = {-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
                    size_t queries = 0;
                    for (size_t v = first; v < last; ++v) {
                        if (!needsDistance(v)) {
                            continue;
                        }
                        ++queries;
                        for (int k = 0; k < 3; ++k) {
                            lo[k] = std::min(lo[k], double(mesh.vertices[v][k]));
                            hi[k] = std::max(hi[k], double(mesh.vertices[v][k]));
                        }
                    }
                    if (queries > 1) {
                        for (int k = 0; k < 3; ++k) {
                            centre[k] = float(lo[k] + (hi[k] - lo[k]) * 0.5);
                        }
                        double h2 = 0.0;
                        for (size_t v = first; v < last; ++v) {
                            if (needsDistance(v)) {
                                h2 = std::max(h2, Distance2(centre, mesh.vertices[v]));
                            }
                        }
                        double const h = std::sqrt(h2);
                        // The candidates' reach for a centre whose nearest selected vertex is this far.
                        auto reachOf = [&](double nearestOfCentre) {
                            return (std::min(nearestOfCentre + h, radius) + h) * (1.0 + kRunMargin) +
                                   kAbsoluteMargin;
                        };
                        double nearestOfCentre = HUGE_VAL;
                        bool const gathered =
                            index.gather(centre, reachOf, kMaxCandidates, found, nearestOfCentre, hint);
                        // Every vertex of the run at least this far from every selected one.
                        double const nearestOfRun =
                            (nearestOfCentre * (1.0 - kRunMargin) - h) * (1.0 - kRunMargin) - kAbsoluteMargin;
                        if (gathered && nearestOfRun >= radius) {
                            beyondRadius = true;
                        } else if (gathered) {
                            useCandidates = true;
                            candidates.assign(centre, index, found);
                        }
                    }
                }
                for (size_t v = first; v < last; ++v) {
                    if (state[v] & kExcluded) {
                        continue;
                    }
                    if (state[v] & kSelected) {
                        out.emplace_back(int(v), 1.0);
                        continue;
                    }
                    if (beyondRadius || !needsDistance(v)) {
                        continue;
                    }
                    float const* q = mesh.vertices[v];
                    float d = kInfinity;
                    if (useCandidates) {
                        d = candidates.nearest(q, radius);
                    } else {
                        d = index.nearest(q, radius, hint);
                    }
                    if (d < radius) {
                        out.emplace_back(int(v), curve(double(d) / radius));
                    }
                }
            }
        },
        true);
    Concatenate(blocks, affected);
}

}  // namespace

PfFalloffCurve PfGetFalloffCurve(PfFalloffMode mode, bool* pRandomSeeded) {
    switch (mode) {
        case PfFalloffMode::SmoothCurve:
            // The constant and the order of the operations are part of the curve's values.
            return [](double x) { return std::cos((x + x) * 3.14159265359 * 0.25); };
        case PfFalloffMode::Sphere:
            return [](double x) { return std::sqrt(1.0 - x * x); };
        case PfFalloffMode::InverseSquare:
            return [](double x) { return 1.0 - x * x; };
        case PfFalloffMode::Sharp:
            return [](double x) { return 1.0 - std::sqrt(x); };
        case PfFalloffMode::Linear:
            return [](double x) { return 1.0 - x; };
        case PfFalloffMode::Constant:
            return [](double) { return 1.0; };
        case PfFalloffMode::Random:
            return [pRandomSeeded](double) { return DrawRandom(pRandomSeeded); };
    }
    return {};
}

PfFalloffMesh::PfFalloffMesh(DzFacetMesh const& mesh)
    : vertexCount(mesh.getNumVertices()),
      vertices(mesh.getVerticesPtr()),
      facetCount(mesh.getNumFacets()),
      facets(mesh.getFacetsPtr()),
      facetFlags(mesh.getFacetFlagsPtr()) {}

void PfComputeAffectedVertices(PfFalloffMesh const& mesh, std::set<int> const& selected, double radius,
                               PfFalloffCurve const& curve, std::map<int, double>& affected,
                               std::set<int>& excluded, PfNearestSearch search) {
    affected.clear();
    PfAffectedWeights weights;
    PfComputeAffectedVertices(mesh, selected, radius, curve, weights, excluded, search);
    for (auto const& entry : weights) affected.emplace_hint(affected.end(), entry.first, entry.second);
}

void PfComputeAffectedVertices(PfFalloffMesh const& mesh, std::set<int> const& selected, double radius,
                               PfFalloffCurve const& curve, PfAffectedWeights& affected,
                               std::set<int>& excluded, PfNearestSearch search) {
    affected.clear();
    excluded.clear();
    if (selected.empty()) {
        return;
    }
    int const n = mesh.vertices ? std::max(mesh.vertexCount, 0) : 0;
    std::vector<unsigned char> state(size_t(n), 0);

    // Corners of hidden facets stay where they are, also when selected.
    bool anyExcluded = false;
    if (mesh.facets && mesh.facetFlags) {
        for (int f = 0; f < mesh.facetCount; ++f) {
            if (!(mesh.facetFlags[f] & kHiddenFacet)) {
                continue;
            }
            DzFacet const& facet = mesh.facets[f];
            int const corners = facet.m_vertIdx[3] < 0 ? 3 : 4;
            for (int k = 0; k < corners; ++k) {
                int const v = facet.m_vertIdx[k];
                if (v >= 0 && v < n) {
                    state[size_t(v)] = kExcluded;
                    anyExcluded = true;
                }
            }
        }
    }
    if (anyExcluded) {
        for (int v = 0; v < n; ++v) {
            if (state[size_t(v)] & kExcluded) {
                excluded.emplace_hint(excluded.end(), v);
            }
        }
    }

    // Selected vertices are distance sources also when excluded; indices outside the mesh are neither.
    std::vector<Point> sources;
    sources.reserve(selected.size());
    for (int v : selected) {
        if (v < 0 || v >= n) {
            continue;
        }
        state[size_t(v)] |= kSelected;
        float const* p = mesh.vertices[v];
        sources.push_back(Point{{p[0], p[1], p[2]}});
    }

    // Into a new array, so that a curve's exception leaves the weights empty; the old array's memory is kept
    // for the next computation.
    PfAffectedWeights result;
    result.swap(affected);
    result.clear();
    if (search == PfNearestSearch::BruteForce) {
        ComputeBruteForce(mesh, state, sources, radius, curve, result);
    } else {
        ComputeIndexed(mesh, state, std::move(sources), radius, curve, result);
    }
    affected.swap(result);
}
