#pragma once

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <utility>
#include <vector>

#include "hv_geometry.h"

// Per-vertex values in ascending vertex order, at most one per vertex, held as one sorted array of (vertex,
// value) pairs: a million entries are one allocation that is streamed, not a million tree nodes. It reads
// like an ordered map (find-or-insert, ordered iteration, pairs with first and second). Inserting before the
// last entry moves the entries behind it: bulk writes go through sorted merges (HvMeshModifier::WriteOrdered)
// or append in order (emplace_back).
template <class Value>
class HvVertexArrayMap {
public:
    using key_type = int32_t;
    using mapped_type = Value;
    using value_type = std::pair<int32_t, Value>;
    using iterator = typename std::vector<value_type>::iterator;
    using const_iterator = typename std::vector<value_type>::const_iterator;
    using size_type = size_t;

    HvVertexArrayMap() = default;
    HvVertexArrayMap(std::initializer_list<std::pair<int32_t const, Value>> entries) {
        for (auto const& entry : entries) (*this)[entry.first] = entry.second;
    }

    iterator begin() { return m_entries.begin(); }
    iterator end() { return m_entries.end(); }
    const_iterator begin() const { return m_entries.begin(); }
    const_iterator end() const { return m_entries.end(); }
    auto rbegin() const { return m_entries.rbegin(); }
    auto rend() const { return m_entries.rend(); }
    size_t size() const { return m_entries.size(); }
    bool empty() const { return m_entries.empty(); }
    void clear() { m_entries.clear(); }
    void reserve(size_t count) { m_entries.reserve(count); }
    void swap(HvVertexArrayMap& other) noexcept { m_entries.swap(other.m_entries); }
    value_type* data() { return m_entries.data(); }
    value_type const* data() const { return m_entries.data(); }
    // The array itself, for merges that build a new one and for resizing before a parallel fill.
    std::vector<value_type>& entries() { return m_entries; }
    std::vector<value_type> const& entries() const { return m_entries; }

    iterator lower_bound(int32_t vertex) { return begin() + lowerIndex(vertex); }
    const_iterator lower_bound(int32_t vertex) const { return begin() + lowerIndex(vertex); }
    iterator find(int32_t vertex) {
        iterator it = lower_bound(vertex);
        return it != end() && it->first == vertex ? it : end();
    }
    const_iterator find(int32_t vertex) const {
        const_iterator it = lower_bound(vertex);
        return it != end() && it->first == vertex ? it : end();
    }
    size_t count(int32_t vertex) const { return find(vertex) != end() ? 1 : 0; }
    Value& at(int32_t vertex) { return const_cast<Value&>(std::as_const(*this).at(vertex)); }
    Value const& at(int32_t vertex) const {
        const_iterator it = find(vertex);
        if (it == end())
            throw std::out_of_range("no entry for the vertex");
        return it->second;
    }
    Value& operator[](int32_t vertex) { return try_emplace(vertex, Value()).first->second; }

    // The entry of the vertex, made from value when there is none; whether it was made.
    std::pair<iterator, bool> try_emplace(int32_t vertex, Value const& value) {
        if (m_entries.empty() || m_entries.back().first < vertex) {
            m_entries.emplace_back(vertex, value);
            return {end() - 1, true};
        }
        iterator it = lower_bound(vertex);
        if (it != end() && it->first == vertex)
            return {it, false};
        return {m_entries.emplace(it, vertex, value), true};
    }
    std::pair<iterator, bool> emplace(int32_t vertex, Value const& value) {
        return try_emplace(vertex, value);
    }
    std::pair<iterator, bool> insert(value_type const& entry) {
        return try_emplace(entry.first, entry.second);
    }
    iterator emplace_hint(const_iterator, int32_t vertex, Value const& value) {
        return try_emplace(vertex, value).first;
    }
    // Appends an entry above every other: the way to build the array in order.
    void emplace_back(int32_t vertex, Value const& value) {
        assert(m_entries.empty() || m_entries.back().first < vertex);
        m_entries.emplace_back(vertex, value);
    }
    iterator erase(const_iterator it) { return m_entries.erase(it); }
    size_t erase(int32_t vertex) {
        iterator it = find(vertex);
        if (it == end())
            return 0;
        m_entries.erase(it);
        return 1;
    }
    // Removes the entries the predicate holds for, keeping the order; whether any went.
    template <class Predicate>
    bool eraseIf(Predicate const& predicate) {
        auto const last = std::remove_if(m_entries.begin(), m_entries.end(), predicate);
        bool const erased = last != m_entries.end();
        m_entries.erase(last, m_entries.end());
        return erased;
    }

    friend bool operator==(HvVertexArrayMap const& a, HvVertexArrayMap const& b) {
        return a.m_entries == b.m_entries;
    }
    friend bool operator!=(HvVertexArrayMap const& a, HvVertexArrayMap const& b) { return !(a == b); }

    // Index of the first entry at or above the vertex, searched in [from, size()).
    size_t lowerIndex(int32_t vertex, size_t from = 0) const {
        auto it = std::lower_bound(m_entries.begin() + std::ptrdiff_t(from), m_entries.end(), vertex,
                                   [](value_type const& e, int32_t v) { return e.first < v; });
        return size_t(it - m_entries.begin());
    }

private:
    std::vector<value_type> m_entries;
};

// Per-vertex offsets in ascending vertex order, at most one per vertex. HvMeshModifier::WriteOrdered and
// HvOffsetsCursor are the ways to write and read it at many vertices.
using HvVertexOffsets = HvVertexArrayMap<HvVec3>;

// Reads offsets at ascending vertices: each lookup walks on from the previous one instead of searching the
// whole array. A lookup out of order searches.
class HvOffsetsCursor {
public:
    explicit HvOffsetsCursor(HvVertexOffsets const& map) : m_pMap(&map) {}

    // The vertex's offset; null without an entry.
    HvVec3 const* find(int32_t vertex) {
        HvVertexOffsets::value_type const* const entries = m_pMap->data();
        size_t const n = m_pMap->size();
        if (m_at < n && entries[m_at].first > vertex)
            m_at = 0;
        int steps = 0;
        while (m_at < n && entries[m_at].first < vertex && steps < 8) {
            ++m_at;
            ++steps;
        }
        if (m_at < n && entries[m_at].first < vertex)
            m_at = m_pMap->lowerIndex(vertex, m_at);
        return m_at < n && entries[m_at].first == vertex ? &entries[m_at].second : nullptr;
    }
    // The vertex's offset; zero without an entry.
    HvVec3 at(int32_t vertex) {
        HvVec3 const* offset = find(vertex);
        return offset ? *offset : HvVec3();
    }

private:
    HvVertexOffsets const* m_pMap;
    size_t m_at = 0;  // a position, not an iterator: the array may be reassigned between lookups
};
