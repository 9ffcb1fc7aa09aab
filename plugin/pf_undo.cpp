#include "pf_undo.h"

#include <climits>

#include "dzapp.h"
#include "dznode.h"
#include "dzobject.h"
#include "dzscene.h"
#include "hv_base.h"
#include "pf_modifier.h"
#include "pf_selection.h"
#include "pf_tool.h"

namespace {

// What one offset or delta costs in the size reported to the stack.
size_t const kBytesPerOffset = 16;

int clampToInt(size_t bytes) {
    return bytes > size_t(INT_MAX) ? INT_MAX : int(bytes);
}

}  // namespace

// ---- PfRelativeOffsetsForUndo ----

PfRelativeOffsetsForUndo::PfRelativeOffsetsForUndo(HvVertexOffsets const& after,
                                                   HvVertexOffsets const& before) {
    // Zero where before has no entry: such a vertex was not moved by the drag.
    HvOffsetsCursor b(before);
    reserve(after.size());
    for (auto const& [index, offset] : after) {
        HvVec3 const* was = b.find(index);
        emplace_back(index, was ? offset - *was : HvVec3());
    }
}

// ---- PfUndoBase ----

struct PfUndoBase::Impl {
    explicit Impl(PfSelection const& selection)
        : nodeName(selection.getNode() ? selection.getNode()->getName() : QString()), state(selection) {}
    QString nodeName;
    PfSelectionState state;
};

PfUndoBase::PfUndoBase(PfSelection const& selection) : m_pImpl(std::make_unique<Impl>(selection)) {}

PfUndoBase::~PfUndoBase() = default;

QString const& PfUndoBase::getNodeName() const {
    return m_pImpl->nodeName;
}

PfSelectionState* PfUndoBase::getSelectionState() const {
    return &m_pImpl->state;
}

size_t PfUndoBase::sizeWith(size_t objectSize) const {
    return objectSize + size_t(m_pImpl->nodeName.size()) + m_pImpl->state.allocated();
}

int PfUndoBase::size() const {
    return clampToInt(sizeWith(sizeof(*this)));
}

PfModifier* PfUndoBase::findModifier(DzNode** node) const {
    DzScene* scene = dzScene;
    // An empty name would find a node that was never ours.
    DzNode* found = scene && !m_pImpl->nodeName.isEmpty() ? scene->findNode(m_pImpl->nodeName) : nullptr;
    if (!found)
        return nullptr;
    DzObject* object = found->getObject();
    if (!object)
        return nullptr;
    auto* modifier =
        qobject_cast<PfModifier*>(object->findModifier(QString::fromUtf8(g_pcszPullformModifierName)));
    if (!modifier)
        return nullptr;
    if (node)
        *node = found;
    return modifier;
}

DzUndoItem* PfUndoBase::Push(std::unique_ptr<DzUndoItem> item, PfSelection const& selection,
                             char const* captionTemplate) {
    DzNode* node = selection.getNode();
    DzUndoStack* stack = dzUndoStack;
    if (!node || !stack || stack->isRunningStep())
        return nullptr;
    DzUndoStackHold hold(stack);
    DzUndoItem* pushed = item.release();
    stack->push(pushed);
    hold.accept(
        HvHelpers::FormatHelpQ(QString::fromUtf8(captionTemplate)).arg(node->getLabel(), 0, QChar(' ')));
    return pushed;
}

// ---- PfUndoItem ----

PfUndoItem* PfUndoItem::Create(PfSelection const& selection, PfRelativeOffsetsForUndo const& offsets) {
    return Create(selection, std::make_shared<HvVertexOffsets const>(offsets));
}

PfUndoItem* PfUndoItem::Create(PfSelection const& selection, std::shared_ptr<HvVertexOffsets const> offsets) {
    return static_cast<PfUndoItem*>(
        Push(std::make_unique<PfUndoItem>(selection, std::move(offsets)), selection, "Pullform on %{%1}%"));
}

PfUndoItem::PfUndoItem(PfSelection const& selection, std::shared_ptr<HvVertexOffsets const> offsets)
    : PfUndoBase(selection),
      m_pOffsets(offsets ? std::move(offsets) : std::make_shared<HvVertexOffsets const>()) {}

PfUndoItem::~PfUndoItem() = default;

int PfUndoItem::size() const {
    return clampToInt(sizeWith(sizeof(*this)) + kBytesPerOffset * m_pOffsets->size());
}

void PfUndoItem::update(PfRelativeOffsetsForUndo const& offsets) {
    update(std::make_shared<HvVertexOffsets const>(offsets));
}

void PfUndoItem::update(std::shared_ptr<HvVertexOffsets const> offsets) {
    m_pOffsets = offsets ? std::move(offsets) : std::make_shared<HvVertexOffsets const>();
}

void PfUndoItem::apply(PfUndoOrRedo which) {
    DzNode* node = nullptr;
    PfModifier* modifier = findModifier(&node);
    if (!modifier)
        return;
    modifier->mergeDeltas(*m_pOffsets, which == PfUndoOrRedo::Undo ? HvMeshModifier::WriteMode::Subtract
                                                                   : HvMeshModifier::WriteMode::Add);
    modifier->emitCurrentValueChanged();
    PfTool::OnUndoOrRedo(node, getSelectionState());
}

// ---- PfUndoReset ----

PfUndoReset* PfUndoReset::Create(PfSelection const& selection) {
    return static_cast<PfUndoReset*>(
        Push(std::make_unique<PfUndoReset>(selection), selection, "Pullform reset on %{%1}%"));
}

PfUndoReset::PfUndoReset(PfSelection const& selection) : PfUndoBase(selection) {
    if (PfModifier* modifier = selection.getModifier())
        m_deltas = modifier->getDeltas();
}

PfUndoReset::~PfUndoReset() = default;

int PfUndoReset::size() const {
    return clampToInt(sizeWith(sizeof(*this)) + kBytesPerOffset * m_deltas.size());
}

void PfUndoReset::undo() {
    DzNode* node = nullptr;
    PfModifier* modifier = findModifier(&node);
    if (!modifier)
        return;
    // The whole set as copied: deltas written after the reset do not survive its undo.
    modifier->replaceDeltas(m_deltas);
    modifier->emitCurrentValueChanged();
    PfTool::OnUndoOrRedo(node, getSelectionState());
}

void PfUndoReset::redo() {
    DzNode* node = nullptr;
    PfModifier* modifier = findModifier(&node);
    if (!modifier)
        return;
    modifier->clearDeltas();
    modifier->emitCurrentValueChanged();
    PfTool::PostResetDeltas();
}
