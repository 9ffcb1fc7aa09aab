// Falloff weights: the indexed nearest-vertex search against the brute force, the radius limits, hidden-facet
// exclusion, the curves, and the random curve on the pool.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iomanip>
#include <iterator>
#include <limits>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "dzfacetmesh.h"
#include "dzfixtures.h"
#include "hv_geometry.h"
#include "hv_threadpool.h"
#include "pf_falloff.h"

namespace {

using Weights = std::map<int, double>;

float const kInf = std::numeric_limits<float>::infinity();
float const kNaN = std::numeric_limits<float>::quiet_NaN();

// A vertex cloud with optional facets, viewed as the computation reads a mesh.
struct Cloud {
    std::vector<float> xyz;
    std::vector<DzFacet> facets;
    std::vector<unsigned char> flags;

    int count() const { return int(xyz.size() / 3); }
    void add(float x, float y, float z) { xyz.insert(xyz.end(), {x, y, z}); }
    float const* at(int v) const { return &xyz[size_t(v) * 3]; }
    void addFacet(int a, int b, int c, int d, unsigned char flag) {
        DzFacet f;
        f.m_vertIdx[0] = a;
        f.m_vertIdx[1] = b;
        f.m_vertIdx[2] = c;
        f.m_vertIdx[3] = d;
        facets.push_back(f);
        flags.push_back(flag);
    }
    PfFalloffMesh view() const {
        PfFalloffMesh m;
        m.vertexCount = count();
        m.vertices = reinterpret_cast<float const(*)[3]>(xyz.data());
        m.facetCount = int(facets.size());
        m.facets = facets.data();
        m.facetFlags = flags.data();
        return m;
    }
};

Weights Compute(PfFalloffMesh const& mesh, std::set<int> const& selected, double radius,
                PfFalloffCurve const& curve, PfNearestSearch search, std::set<int>* pExcluded = nullptr) {
    Weights affected;
    std::set<int> excluded;
    PfComputeAffectedVertices(mesh, selected, radius, curve, affected, excluded, search);
    if (pExcluded)
        *pExcluded = excluded;
    return affected;
}

// Same keys and the same doubles bit for bit.
void ExpectIdentical(Weights const& expected, Weights const& actual, std::string const& what) {
    ASSERT_EQ(expected.size(), actual.size()) << what;
    auto a = actual.begin();
    for (auto e = expected.begin(); e != expected.end(); ++e, ++a) {
        ASSERT_EQ(e->first, a->first) << what;
        ASSERT_EQ(0, std::memcmp(&e->second, &a->second, sizeof(double)))
            << what << ": vertex " << e->first << " " << e->second << " vs " << a->second;
    }
}

// The weight is the distance over the radius itself, so equal weights mean equal nearest distances.
double Identity(double x) {
    return x;
}

struct CloudCase {
    char const* name;
    std::function<Cloud(std::mt19937&)> make;
    // Radii beside the ones taken from the cloud's own distances.
    std::vector<double> radii;
};

Cloud Lattice(std::mt19937& rng) {
    // Small integer coordinates: many duplicates, many points exactly at integer radii (3-4-5) and on the
    // tree's split planes.
    std::uniform_int_distribution<int> c(0, 11);
    Cloud cloud;
    for (int i = 0; i < 4000; ++i) cloud.add(float(c(rng)), float(c(rng)), float(c(rng)));
    return cloud;
}

Cloud Grid(std::mt19937&) {
    Cloud cloud;
    for (int j = 0; j < 70; ++j)
        for (int i = 0; i < 70; ++i) cloud.add(float(i) * 0.1f, float(j) * 0.1f, 0.0f);
    return cloud;
}

Cloud Uniform(std::mt19937& rng, int n, float lo, float hi) {
    std::uniform_real_distribution<float> c(lo, hi);
    Cloud cloud;
    for (int i = 0; i < n; ++i) cloud.add(c(rng), c(rng), c(rng));
    return cloud;
}

Cloud Sphere(std::mt19937& rng) {
    std::normal_distribution<float> c(0.0f, 1.0f);
    Cloud cloud;
    for (int i = 0; i < 3000; ++i) {
        float x = c(rng), y = c(rng), z = c(rng);
        float const r = std::sqrt(x * x + y * y + z * z);
        cloud.add(x / r, y / r, z / r);
    }
    return cloud;
}

Cloud NonFinite(std::mt19937& rng) {
    Cloud cloud = Uniform(rng, 4000, -1.0f, 1.0f);
    std::uniform_int_distribution<size_t> pick(0, cloud.xyz.size() - 1);
    float const bad[] = {kNaN, kInf, -kInf};
    for (int i = 0; i < 300; ++i) cloud.xyz[pick(rng)] = bad[i % 3];
    return cloud;
}

TEST(PfFalloff, IndexedSearchGivesTheBruteForceWeightsBitForBit) {
    std::vector<CloudCase> const cases = {
        {"lattice", Lattice, {1.0, 2.0, 3.0, 5.0, 5.000001}},
        {"grid", Grid, {0.1, 0.3, 1.0}},
        {"cloud", [](std::mt19937& r) { return Uniform(r, 3000, -1.0f, 1.0f); }, {0.05, 0.5, 4.0}},
        {"sphere", Sphere, {0.02, 0.3}},
        // Subnormal coordinates and distances.
        {"tiny", [](std::mt19937& r) { return Uniform(r, 3000, 0.0f, 1e-38f); }, {1e-40, 2e-39}},
        // Differences that overflow single precision.
        {"huge", [](std::mt19937& r) { return Uniform(r, 3000, -3e38f, 3e38f); }, {1e37, 1e39, HUGE_VAL}},
        {"non-finite", NonFinite, {0.3, HUGE_VAL}},
        // A selection large enough for the tree to be built on the pool.
        {"large selection", [](std::mt19937& r) { return Uniform(r, 9000, 0.0f, 10.0f); }, {0.2}},
    };
    std::mt19937 rng(20240611);
    size_t unselectedWeights = 0;
    Weights indexed;
    std::set<int> excluded;
    for (CloudCase const& c : cases) {
        Cloud const cloud = c.make(rng);
        int const n = cloud.count();
        std::vector<int> const sizes =
            std::string(c.name) == "large selection" ? std::vector<int>{8500} : std::vector<int>{1, 37, 600};
        for (int size : sizes) {
            std::uniform_int_distribution<int> pick(0, n - 1);
            std::set<int> selected = {-1, n, INT_MAX};
            while (int(selected.size()) < size + 3) selected.insert(pick(rng));
            // Radii at which some vertex lies exactly at the radius from a selected one, and one step
            // either side.
            std::vector<double> radii = c.radii;
            std::vector<int> const inMesh(std::next(selected.begin()), std::prev(selected.end(), 2));
            std::uniform_int_distribution<size_t> pickSelected(0, inMesh.size() - 1);
            for (int k = 0; k < 3; ++k) {
                double const r =
                    HvPoint3::ComputeDistance(cloud.at(pick(rng)), cloud.at(inMesh[pickSelected(rng)]));
                radii.insert(radii.end(), {r, std::nextafter(r, 0.0), std::nextafter(r, HUGE_VAL)});
            }
            for (double radius : radii) {
                std::ostringstream what;
                what << c.name << ", " << size << " selected, radius " << std::setprecision(17) << radius;
                Weights const brute =
                    Compute(cloud.view(), selected, radius, Identity, PfNearestSearch::BruteForce);
                // The indexed search refills one map, holding the last case's weights, every time.
                PfComputeAffectedVertices(cloud.view(), selected, radius, Identity, indexed, excluded,
                                          PfNearestSearch::Indexed);
                ExpectIdentical(brute, indexed, what.str());
                for (auto const& entry : brute) unselectedWeights += selected.count(entry.first) == 0;
            }
        }
    }
    // The cases must weigh plenty of vertices by distance, not only the selected ones.
    EXPECT_GT(unselectedWeights, 100000u) << unselectedWeights;
}

// Vertices in mesh order lie close together: the indexed search shares the nearby selected vertices among
// runs of neighbours. A jittered grid in row order, with selections from sparse to dense and radii from
// below the spacing to beyond the grid, gives the brute force's weights bit for bit.
TEST(PfFalloff, NeighbouringVerticesInMeshOrderMatchTheBruteForce) {
    std::mt19937 rng(17);
    std::uniform_real_distribution<float> jitter(-0.3f, 0.3f);
    Cloud cloud;
    int const side = 120;
    for (int j = 0; j < side; ++j)
        for (int i = 0; i < side; ++i)
            cloud.add(float(i) + jitter(rng), float(j) + jitter(rng), jitter(rng) * 4.0f);
    std::uniform_int_distribution<int> pick(0, side * side - 1);
    for (int size : {3, 40, 400}) {
        std::set<int> selected;
        while (int(selected.size()) < size) selected.insert(pick(rng));
        for (double radius : {0.4, 2.5, 9.0, 40.0, 1e9}) {
            std::ostringstream what;
            what << size << " selected, radius " << radius;
            ExpectIdentical(Compute(cloud.view(), selected, radius, Identity, PfNearestSearch::BruteForce),
                            Compute(cloud.view(), selected, radius, Identity, PfNearestSearch::Indexed),
                            what.str());
        }
    }
}

TEST(PfFalloff, RadiusZeroNegativeOrNotANumberAffectsOnlyTheSelected) {
    Cloud cloud;
    cloud.add(0, 0, 0);
    cloud.add(0, 0, 0);  // at distance 0 from the selected one
    cloud.add(1, 0, 0);
    cloud.add(5, 0, 0);
    for (PfNearestSearch search : {PfNearestSearch::BruteForce, PfNearestSearch::Indexed})
        for (double radius : {0.0, -1.0, double(kNaN)})
            EXPECT_EQ((Weights{{0, 1.0}, {3, 1.0}}), Compute(cloud.view(), {0, 3}, radius, Identity, search))
                << radius;
}

class PfFalloffSearch : public ::testing::TestWithParam<PfNearestSearch> {};

TEST_P(PfFalloffSearch, VertexAtTheRadiusIsNotAffectedAndOneJustInsideIs) {
    float const justInside = std::nextafter(2.0f, 0.0f);
    Cloud cloud;
    cloud.add(0, 0, 0);           // selected
    cloud.add(1, 0, 0);           // half way
    cloud.add(0, 2, 0);           // exactly at the radius
    cloud.add(0, 0, justInside);  // the last float inside
    cloud.add(0, -2.5f, 0);       // outside
    cloud.add(0, 0, 0);           // on the selected vertex
    bool seeded = false;
    Weights const linear =
        Compute(cloud.view(), {0}, 2.0, PfGetFalloffCurve(PfFalloffMode::Linear, &seeded), GetParam());
    EXPECT_EQ((Weights{{0, 1.0}, {1, 0.5}, {3, 1.0 - double(justInside) / 2.0}, {5, 1.0}}), linear);
    EXPECT_GT(linear.at(3), 0.0);
    EXPECT_LT(linear.at(3), 1e-7);

    // Distance 0 gives curve(0): 1.0 for every curve but the random one.
    for (PfFalloffMode mode :
         {PfFalloffMode::SmoothCurve, PfFalloffMode::Sphere, PfFalloffMode::InverseSquare,
          PfFalloffMode::Sharp, PfFalloffMode::Linear, PfFalloffMode::Constant})
        EXPECT_EQ(1.0, Compute(cloud.view(), {0}, 2.0, PfGetFalloffCurve(mode, &seeded), GetParam()).at(5))
            << uint32_t(mode);
}

TEST_P(PfFalloffSearch, CornersOfHiddenFacetsAreNeverAffected) {
    // 3 x 3 quads on a unit grid; vertex (i, j) is 4j + i. The middle quad (corners 5, 6, 10, 9) is hidden.
    std::unique_ptr<DzFacetMesh> grid(dztest::makeGrid(3, 3));
    grid->setFacetHidden(4, true);
    std::set<int> excluded;
    Weights const weights = Compute(PfFalloffMesh(*grid), {5, 15}, 1.5, Identity, GetParam(), &excluded);
    EXPECT_EQ((std::set<int>{5, 6, 9, 10}), excluded);
    // 5 is selected but stays; it still pulls its neighbours, which 15 (at (3, 3)) does not reach.
    EXPECT_EQ((Weights{{1, 1.0 / 1.5},
                       {4, 1.0 / 1.5},
                       {0, double(std::sqrt(2.0f)) / 1.5},
                       {2, double(std::sqrt(2.0f)) / 1.5},
                       {8, double(std::sqrt(2.0f)) / 1.5},
                       {11, 1.0 / 1.5},
                       {14, 1.0 / 1.5},
                       {15, 1.0}}),
              weights);

    // A hidden triangle excludes three corners; corner indices outside the mesh are skipped.
    Cloud cloud;
    for (int i = 0; i < 6; ++i) cloud.add(float(i), 0, 0);
    cloud.addFacet(0, 1, 2, 3, 0x00);
    cloud.addFacet(1, 2, 4, -1, 0x02 | 0x04);
    cloud.addFacet(-3, 5, 99, INT_MAX, 0x02);
    cloud.addFacet(0, 3, 4, 5, 0x04);
    Weights const row = Compute(cloud.view(), {0, 1}, 10.0, Identity, GetParam(), &excluded);
    EXPECT_EQ((std::set<int>{1, 2, 4, 5}), excluded);
    EXPECT_EQ((Weights{{0, 1.0}, {3, 0.2}}), row);
}

TEST_P(PfFalloffSearch, SelectedIndicesOutsideTheMeshAreSkipped) {
    Cloud cloud;
    for (int i = 0; i < 5; ++i) cloud.add(float(i), 0, 0);
    EXPECT_EQ((Weights{{1, 0.5}, {2, 1.0}, {3, 0.5}}),
              Compute(cloud.view(), {INT_MIN, -1, 2, 5, 6, INT_MAX}, 2.0, Identity, GetParam()));
    // Nothing in the mesh selected: no weights.
    EXPECT_TRUE(Compute(cloud.view(), {-1, 5}, 2.0, Identity, GetParam()).empty());
    // No selection at all leaves the excluded set empty too.
    cloud.addFacet(0, 1, 2, -1, 0x02);
    std::set<int> excluded = {7};
    EXPECT_TRUE(Compute(cloud.view(), {}, 2.0, Identity, GetParam(), &excluded).empty());
    EXPECT_TRUE(excluded.empty());
    // A mesh without vertices.
    EXPECT_TRUE(Compute(PfFalloffMesh(), {0}, 2.0, Identity, GetParam()).empty());
}

TEST_P(PfFalloffSearch, ModeWithoutCurveThrowsThroughThePoolOnlyWhenACurveValueIsNeeded) {
    std::unique_ptr<DzFacetMesh> grid(dztest::makeGrid(60, 60));  // enough vertices for every worker
    bool seeded = false;
    PfFalloffCurve const none = PfGetFalloffCurve(PfFalloffMode(7), &seeded);
    Weights affected = {{3, 0.5}};
    std::set<int> excluded;
    EXPECT_THROW(
        PfComputeAffectedVertices(PfFalloffMesh(*grid), {1830}, 2.0, none, affected, excluded, GetParam()),
        std::bad_function_call);
    EXPECT_TRUE(affected.empty());
    // Radius 0, or no unselected vertex inside the radius, never calls it.
    EXPECT_EQ((Weights{{1830, 1.0}}), Compute(PfFalloffMesh(*grid), {1830}, 0.0, none, GetParam()));
    EXPECT_EQ((Weights{{1830, 1.0}}), Compute(PfFalloffMesh(*grid), {1830}, 1.0, none, GetParam()));
}

TEST_P(PfFalloffSearch, RandomCurveIsSafeOnThePoolAndSeedsOnce) {
    std::unique_ptr<DzFacetMesh> grid(dztest::makeGrid(100, 100));
    bool seeded = false;
    PfFalloffCurve const random = PfGetFalloffCurve(PfFalloffMode::Random, &seeded);
    for (int round = 0; round < 3; ++round) {
        Weights const weights = Compute(PfFalloffMesh(*grid), {5100}, 1000.0, random, GetParam());
        ASSERT_EQ(size_t(grid->getNumVertices()), weights.size());
        std::set<double> values;
        for (auto const& [v, w] : weights) {
            ASSERT_GE(w, 0.0);
            ASSERT_LE(w, 1.0);
            values.insert(w);
        }
        EXPECT_GT(values.size(), weights.size() / 2);
    }
    EXPECT_TRUE(seeded);
}

INSTANTIATE_TEST_SUITE_P(BothSearches, PfFalloffSearch,
                         ::testing::Values(PfNearestSearch::BruteForce, PfNearestSearch::Indexed),
                         [](::testing::TestParamInfo<PfNearestSearch> const& info) {
                             return info.param == PfNearestSearch::Indexed ? "Indexed" : "BruteForce";
                         });

TEST(PfFalloff, CurveValues) {
    bool seeded = false;
    struct Row {
        PfFalloffMode mode;
        double at0, at025, at05, at1;
    };
    // The smooth curve uses 3.14159265359, not pi: cos of a quarter turn is slightly negative and the value
    // at 0.5 is off sqrt(0.5) in the 14th digit.
    Row const rows[] = {
        {PfFalloffMode::SmoothCurve, 1.0, 0.9238795325112769, 0.7071067811865109, -1.0341155355510722e-13},
        {PfFalloffMode::Sphere, 1.0, 0.9682458365518543, 0.8660254037844386, 0.0},
        {PfFalloffMode::InverseSquare, 1.0, 0.9375, 0.75, 0.0},
        {PfFalloffMode::Sharp, 1.0, 0.5, 0.2928932188134524, 0.0},
        {PfFalloffMode::Linear, 1.0, 0.75, 0.5, 0.0},
        {PfFalloffMode::Constant, 1.0, 1.0, 1.0, 1.0},
    };
    for (Row const& row : rows) {
        PfFalloffCurve const curve = PfGetFalloffCurve(row.mode, &seeded);
        ASSERT_TRUE(curve) << uint32_t(row.mode);
        EXPECT_DOUBLE_EQ(row.at0, curve(0.0)) << uint32_t(row.mode);
        EXPECT_DOUBLE_EQ(row.at025, curve(0.25)) << uint32_t(row.mode);
        EXPECT_DOUBLE_EQ(row.at05, curve(0.5)) << uint32_t(row.mode);
        EXPECT_NEAR(row.at1, curve(1.0), 1e-20) << uint32_t(row.mode);
    }
    EXPECT_NE(std::sqrt(0.5), PfGetFalloffCurve(PfFalloffMode::SmoothCurve, &seeded)(0.5));
    EXPECT_FALSE(seeded);
    for (uint32_t mode : {7u, 8u, 0xFFFFFFFFu})
        EXPECT_FALSE(PfGetFalloffCurve(PfFalloffMode(mode), &seeded)) << mode;
}

TEST(PfFalloff, RandomCurveSeedsOnItsFirstDrawOnlyAndDrawsFromTheCGenerator) {
    auto sequence = [](unsigned seed) {
        std::srand(seed);
        std::vector<double> values;
        for (int i = 0; i < 5; ++i) values.push_back(double(std::rand()) / double(RAND_MAX));
        return values;
    };
    std::vector<double> const of42 = sequence(42);

    // An owner that has seeded already: the draws continue the generator as it stands.
    bool seeded = true;
    PfFalloffCurve const curve = PfGetFalloffCurve(PfFalloffMode::Random, &seeded);
    std::srand(42);
    std::vector<double> drawn;
    for (int i = 0; i < 5; ++i) drawn.push_back(curve(0.5));
    EXPECT_EQ(of42, drawn);

    // A fresh owner seeds from the clock on the first draw and never again.
    bool fresh = false;
    PfFalloffCurve const other = PfGetFalloffCurve(PfFalloffMode::Random, &fresh);
    other(0.1);
    EXPECT_TRUE(fresh);
    std::srand(42);
    drawn.clear();
    for (int i = 0; i < 5; ++i) drawn.push_back(other(0.1));
    EXPECT_EQ(of42, drawn);
}

TEST(PfFalloff, RandomCurveDrawsConcurrentlyFromEveryThread) {
    bool seeded = false;
    PfFalloffCurve const random = PfGetFalloffCurve(PfFalloffMode::Random, &seeded);
    std::vector<double> values(70000, -1.0);
    HvThreadPool::Get()->parallelFor(
        values.size(),
        [&](size_t begin, size_t end) {
            for (size_t i = begin; i < end; ++i) values[i] = random(0.0);
        },
        true);
    EXPECT_TRUE(seeded);
    for (double v : values) {
        ASSERT_GE(v, 0.0);
        ASSERT_LE(v, 1.0);
    }
}

}  // namespace
