#pragma once

#include <QString>
#include <memory>
#include <string>
#include <vector>

class DzFloatProperty;
class DzMorph;
class DzMorphDeltas;
class DzNode;

// One morph of a node, as it was when its list was built.
struct HvMorphInfo {
    HvMorphInfo(DzMorph* morph, DzFloatProperty* property);

    DzMorph* morph;             // not owned
    DzFloatProperty* property;  // its value property, not owned
    bool favorite;
    std::string deltasUri;  // UTF-8; empty when the morph has no delta set
    bool supportAsset;      // the deltas come from the user's library ("/data/...")
};

using HvMorphInfoPtr = std::shared_ptr<HvMorphInfo>;

// A snapshot of the morphs of one node: each with its float property, the favourites, and a lookup by name.
// Built, used and dropped within one operation; it follows only the morphs that it creates itself.
class HvMorphList {
public:
    // Throws HvException for a morph that does not have exactly one property; a morph whose property is not a
    // float property is left out.
    explicit HvMorphList(DzNode& node);
    ~HvMorphList();
    HvMorphList(HvMorphList const&) = delete;
    HvMorphList& operator=(HvMorphList const&) = delete;

    size_t getNumMorphs() const;
    // In modifier-list order.
    std::vector<HvMorphInfoPtr> const& getFavorites() const;
    // Exact, case-sensitive; of two morphs with one name, the later in the list. Null when none.
    HvMorphInfoPtr findMorphByName(QString const& name) const;

    // A new morph of that name on the node's object, appended at the end of its modifier list, or, with
    // overwrite, the existing morph of that name given the new deltas (its label, path and value stay). Takes
    // the delta set in every case: it is deleted when no morph took it before a throw.
    HvMorphInfoPtr addMorphOrThrow(DzMorphDeltas* deltas, QString const& name, bool overwrite,
                                   QString const& label, QString const& path);

private:
    struct Impl;
    std::unique_ptr<Impl> m_pImpl;
};
