#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>

#include "dzundostack.h"
#include "hv_meshmodifier.h"

class DzNode;
class PfModifier;
class PfSelection;
struct PfSelectionState;

// The offsets of one drag, per vertex: after minus before. A vertex missing from before gets a zero offset
// (the drag's before holds every vertex of its after).
struct PfRelativeOffsetsForUndo : HvVertexOffsets {
    PfRelativeOffsetsForUndo() = default;
    PfRelativeOffsetsForUndo(HvVertexOffsets const& after, HvVertexOffsets const& before);
};

// Argument of PfUndoItem::apply.
enum class PfUndoOrRedo : uint32_t { Undo = 0, Redo = 1 };

// The plug-in's undo steps. An item keeps the node's name, never the node or its modifier: both are looked
// up again at every undo and redo, and an item whose node or modifier is gone does nothing. Once pushed the
// host's undo stack owns the item. GUI thread only.
class PfUndoBase : public DzUndoItem {
public:
    ~PfUndoBase() override;

    void undo() override = 0;
    int size() const override;

    // The node's plug-in modifier, the node stored in *node; null (node untouched) when the node of that
    // name, its object or the modifier is missing, or the modifier of that name is of another class.
    PfModifier* findModifier(DzNode** node) const;

    QString const& getNodeName() const;

protected:
    // Takes the name of the selection's node and a snapshot of its selection.
    explicit PfUndoBase(PfSelection const& selection);

    PfSelectionState* getSelectionState() const;
    // The size of the derived object with the name and the selection snapshot.
    size_t sizeWith(size_t objectSize) const;
    // Opens a hold, pushes the item and closes the hold as one step named by the template, whose %1 becomes
    // the node's label. Null, and nothing pushed, without a node, without an undo stack, or while the
    // stack runs a step (it would destroy the item at once).
    static DzUndoItem* Push(std::unique_ptr<DzUndoItem> item, PfSelection const& selection,
                            char const* captionTemplate);

private:
    struct Impl;
    std::unique_ptr<Impl> m_pImpl;
};

// The undo step of one drag: the drag's offsets, subtracted by undo and added again by redo. A QObject so
// that the selection that made it can hold a guarded pointer: the stack may destroy it at any time.
class PfUndoItem : public QObject, public PfUndoBase {
    Q_OBJECT
public:
    // Makes the item, pushes it and names the step after the node's label; the stack owns the result. Null
    // when nothing could be pushed.
    static PfUndoItem* Create(PfSelection const& selection, PfRelativeOffsetsForUndo const& offsets);
    // The same without a copy: the item shares the offsets, which nobody changes any more.
    static PfUndoItem* Create(PfSelection const& selection, std::shared_ptr<HvVertexOffsets const> offsets);

    PfUndoItem(PfSelection const& selection, std::shared_ptr<HvVertexOffsets const> offsets);
    ~PfUndoItem() override;

    void undo() override { apply(PfUndoOrRedo::Undo); }
    void redo() override { apply(PfUndoOrRedo::Redo); }
    int size() const override;

    // The offsets of a finished drag that was applied again with other weights.
    void update(PfRelativeOffsetsForUndo const& offsets);
    void update(std::shared_ptr<HvVertexOffsets const> offsets);
    // Subtracts (undo) or adds (redo) the offsets in one ordered pass over the node's deltas.
    void apply(PfUndoOrRedo which);
    HvVertexOffsets const& getOffsets() const { return *m_pOffsets; }

private:
    std::shared_ptr<HvVertexOffsets const> m_pOffsets;  // never null
};

// The undo step of a reset of all deltas: a copy of every delta before the reset. Undo puts the copy back
// as the whole delta set; redo clears the deltas again.
class PfUndoReset : public PfUndoBase {
public:
    // Call before the deltas are cleared. Null when nothing could be pushed.
    static PfUndoReset* Create(PfSelection const& selection);

    explicit PfUndoReset(PfSelection const& selection);
    ~PfUndoReset() override;

    void undo() override;
    void redo() override;
    int size() const override;

    HvVertexOffsets const& getDeltas() const { return m_deltas; }

private:
    HvVertexOffsets m_deltas;
};
