#include "hv_meshmodifier_io.h"

#include <QLocale>
#include <QMetaObject>
#include <algorithm>
#include <cmath>
#include <limits>

#include "dzassetfile.h"
#include "dzobject.h"
#include "idzjsonio.h"

QString const HvMeshModifierIO::_Q_ARRAY_KEY_HV_DELTAS = QStringLiteral("hv_deltas");
QString const HvMeshModifierIO::_Q_ARRAY_KEY_COUNT = QStringLiteral("count");
QString const HvMeshModifierIO::_Q_ARRAY_KEY_VALUES = QStringLiteral("values");

namespace {

HvMeshModifier* asMeshModifier(QObject* object) {
    return static_cast<HvMeshModifier*>(HvMeshModifier::staticMetaObject.cast(object));
}

// The reader's refusals, in the host's words, so that a bad file reads alike wherever the fault is.
QString const kExpectedObject = QStringLiteral("expected an object");
QString const kExpectedArray = QStringLiteral("expected an array");
QString const kExpectedNumber = QStringLiteral("expected a number");
QString const kGivenTwice = QStringLiteral("the member is given twice");
QString const kExpectedIndex = QStringLiteral("expected a vertex index: a whole number in the 32-bit range");

// False, with the reason on the file.
bool refuse(DzAssetJsonItem const& item, QString const& message) {
    if (DzAssetFile* file = item.getFile())
        file->setError(message);
    return false;
}

// Refused in the place of a nested value.
DzAssetJsonItem* refuseNested(DzAssetJsonItem const& item, QString const& message) {
    refuse(item, message);
    return nullptr;
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
    if (name != HvMeshModifierIO::_Q_ARRAY_KEY_HV_DELTAS)
        return DzAssetJsonObject::startMemberObject(name);
    // A second one would replace the first one's deltas.
    if (m_deltasSeen)
        return refuseNested(*this, kGivenTwice);
    m_deltasSeen = true;
    return new HvReadFloat3IndexedArrayObject(m_pContext);
}

DzAssetJsonItem* HvReadMeshModifierRoot::startMemberArray(QString const& name) {
    if (name == HvMeshModifierIO::_Q_ARRAY_KEY_HV_DELTAS)
        return refuseNested(*this, kExpectedObject);
    return DzAssetJsonObject::startMemberArray(name);
}

bool HvReadMeshModifierRoot::addMember(QString const& name, double value) {
    if (name == HvMeshModifierIO::_Q_ARRAY_KEY_HV_DELTAS)
        return refuse(*this, kExpectedObject);
    return DzAssetJsonObject::addMember(name, value);
}

bool HvReadMeshModifierRoot::addStringMember(QString const& name, QString const& value) {
    if (name == HvMeshModifierIO::_Q_ARRAY_KEY_HV_DELTAS)
        return refuse(*this, kExpectedObject);
    return DzAssetJsonObject::addStringMember(name, value);
}

bool HvReadMeshModifierRoot::addBoolMember(QString const& name, bool value) {
    if (name == HvMeshModifierIO::_Q_ARRAY_KEY_HV_DELTAS)
        return refuse(*this, kExpectedObject);
    return DzAssetJsonObject::addBoolMember(name, value);
}

bool HvReadMeshModifierRoot::addNullMember(QString const& name) {
    if (name == HvMeshModifierIO::_Q_ARRAY_KEY_HV_DELTAS)
        return refuse(*this, kExpectedObject);
    return DzAssetJsonObject::addNullMember(name);
}

HvReadFloat3IndexedArrayObject::HvReadFloat3IndexedArrayObject(HvMeshModifierIO::Context* context)
    : DzAssetJsonObject(context->pFile), m_pContext(context) {}

bool HvReadFloat3IndexedArrayObject::accept(QString const& name, bool isArray) {
    bool const values = name == HvMeshModifierIO::_Q_ARRAY_KEY_VALUES;
    bool& seen = values ? m_valuesSeen : m_countSeen;
    if (seen)
        return refuse(*this, kGivenTwice);
    seen = true;
    return !values || isArray || refuse(*this, kExpectedArray);
}

DzAssetJsonItem* HvReadFloat3IndexedArrayObject::startMemberArray(QString const& name) {
    if (name == HvMeshModifierIO::_Q_ARRAY_KEY_VALUES) {
        if (!accept(name, true))
            return nullptr;
        return new HvReadMeshModifierAllDeltasArray(m_pContext);
    }
    if (name == HvMeshModifierIO::_Q_ARRAY_KEY_COUNT && !accept(name, true))
        return nullptr;
    return DzAssetJsonObject::startMemberArray(name);
}

DzAssetJsonItem* HvReadFloat3IndexedArrayObject::startMemberObject(QString const& name) {
    if ((name == HvMeshModifierIO::_Q_ARRAY_KEY_VALUES || name == HvMeshModifierIO::_Q_ARRAY_KEY_COUNT) &&
        !accept(name, false))
        return nullptr;
    return DzAssetJsonObject::startMemberObject(name);
}

bool HvReadFloat3IndexedArrayObject::addMember(QString const& name, double value) {
    if (name == HvMeshModifierIO::_Q_ARRAY_KEY_VALUES)
        return accept(name, false);
    if (name != HvMeshModifierIO::_Q_ARRAY_KEY_COUNT)
        return DzAssetJsonObject::addMember(name, value);
    if (!accept(name, false))
        return false;
    // A count that no unsigned 64-bit integer holds is ignored.
    if (value > -1.0 && value < 18446744073709551616.0)
        m_pContext->count = uint64_t(value);
    return true;
}

bool HvReadFloat3IndexedArrayObject::addStringMember(QString const& name, QString const& value) {
    if ((name == HvMeshModifierIO::_Q_ARRAY_KEY_VALUES || name == HvMeshModifierIO::_Q_ARRAY_KEY_COUNT) &&
        !accept(name, false))
        return false;
    return DzAssetJsonObject::addStringMember(name, value);
}

bool HvReadFloat3IndexedArrayObject::addBoolMember(QString const& name, bool value) {
    if ((name == HvMeshModifierIO::_Q_ARRAY_KEY_VALUES || name == HvMeshModifierIO::_Q_ARRAY_KEY_COUNT) &&
        !accept(name, false))
        return false;
    return DzAssetJsonObject::addBoolMember(name, value);
}

bool HvReadFloat3IndexedArrayObject::addNullMember(QString const& name) {
    if ((name == HvMeshModifierIO::_Q_ARRAY_KEY_VALUES || name == HvMeshModifierIO::_Q_ARRAY_KEY_COUNT) &&
        !accept(name, false))
        return false;
    return DzAssetJsonObject::addNullMember(name);
}

HvReadMeshModifierAllDeltasArray::HvReadMeshModifierAllDeltasArray(HvMeshModifierIO::Context* context)
    : DzAssetJsonArray(context->pFile), m_pContext(context) {
    m_pContext->itemCounter = 0;
}

DzAssetJsonItem* HvReadMeshModifierAllDeltasArray::startArray() {
    return new HvReadMeshModifierOneDeltaArray(m_pContext);
}

DzAssetJsonItem* HvReadMeshModifierAllDeltasArray::startObject() {
    return refuseNested(*this, kExpectedArray);
}

bool HvReadMeshModifierAllDeltasArray::addItem(double) {
    return refuse(*this, kExpectedArray);
}

bool HvReadMeshModifierAllDeltasArray::addStringItem(QString const&) {
    return refuse(*this, kExpectedArray);
}

bool HvReadMeshModifierAllDeltasArray::addBoolItem(bool) {
    return refuse(*this, kExpectedArray);
}

bool HvReadMeshModifierAllDeltasArray::addNullItem() {
    return refuse(*this, kExpectedArray);
}

bool HvReadMeshModifierAllDeltasArray::finish() {
    HvMeshModifierIO::Context& c = *m_pContext;
    if (c.itemCounter != 0)
        return refuse(*this,
                      QStringLiteral("expected groups of four numbers (a vertex index, then x, y and z), "
                                     "but the last group has %1")
                          .arg(c.itemCounter));
    if (c.unordered) {
        // Files list the deltas in ascending order; any other order is put right here, but a vertex given
        // twice would lose one of its values.
        std::vector<HvVertexOffsets::value_type>& read = c.deltas.entries();
        std::stable_sort(read.begin(), read.end(),
                         [](auto const& a, auto const& b) { return a.first < b.first; });
        auto const twice = std::adjacent_find(
            read.begin(), read.end(), [](auto const& a, auto const& b) { return a.first == b.first; });
        if (twice != read.end())
            return refuse(*this, QStringLiteral("vertex %1 is given twice").arg(twice->first));
        c.unordered = false;
    }
    return true;
}

HvReadMeshModifierOneDeltaArray::HvReadMeshModifierOneDeltaArray(HvMeshModifierIO::Context* context)
    : DzAssetJsonArray(context->pFile), m_pContext(context) {}

bool HvReadMeshModifierOneDeltaArray::addItem(double value) {
    HvMeshModifierIO::Context& c = *m_pContext;
    int64_t const k = c.itemCounter;
    if (k == 0) {
        // What the writer writes: a whole number in the 32-bit range. A fraction would be cut, a larger
        // number could address no vertex: either way the file's value would not come back on the next save.
        if (!(value >= -2147483648.0 && value <= 2147483647.0) || value != std::trunc(value))
            return refuse(*this, kExpectedIndex);
        c.index = int32_t(value);
        c.itemCounter = 1;
        return true;
    }
    // An offset is a float: a number beyond its range would become an infinity, which no file can hold.
    float const f = float(value);
    if (!std::isfinite(f))
        return refuse(*this, QStringLiteral("the number %1 is outside the single-precision range")
                                 .arg(value, 0, 'g', QLocale::FloatingPointShortest));
    switch (k) {
        case 1:
            c.x = f;
            break;
        case 2:
            c.y = f;
            break;
        default: {
            std::vector<HvVertexOffsets::value_type>& read = c.deltas.entries();
            if (!read.empty() && read.back().first >= c.index)
                c.unordered = true;
            read.emplace_back(c.index, HvVec3(c.x, c.y, f));
            c.itemCounter = 0;
            return true;
        }
    }
    c.itemCounter = k + 1;
    return true;
}

DzAssetJsonItem* HvReadMeshModifierOneDeltaArray::startObject() {
    return refuseNested(*this, kExpectedNumber);
}

DzAssetJsonItem* HvReadMeshModifierOneDeltaArray::startArray() {
    return refuseNested(*this, kExpectedNumber);
}

bool HvReadMeshModifierOneDeltaArray::addStringItem(QString const&) {
    return refuse(*this, kExpectedNumber);
}

bool HvReadMeshModifierOneDeltaArray::addBoolItem(bool) {
    return refuse(*this, kExpectedNumber);
}

bool HvReadMeshModifierOneDeltaArray::addNullItem() {
    return refuse(*this, kExpectedNumber);
}
