#include "pfhost_params.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QSlider>
#include <QToolButton>
#include <QTreeWidget>
#include <cmath>

#include "dzfloatproperty.h"
#include "dznode.h"
#include "dzobject.h"
#include "dzpropertygroup.h"
#include "dzpropertygrouptree.h"
#include "dzscene.h"

namespace {

int const kSteps = 1000;

// A float property's slider with its value beside it; it follows the property, whoever changes it.
QWidget* makeSlider(DzFloatProperty* property, QWidget* parent, HostParamsDock* dock) {
    auto* box = new QWidget(parent);
    auto* layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* slider = new QSlider(Qt::Horizontal, box);
    slider->setObjectName(property->getName());
    slider->setRange(0, kSteps);
    auto* value = new QLabel(box);
    value->setMinimumWidth(48);
    layout->addWidget(slider, 1);
    layout->addWidget(value);
    float const min = property->getMin(), max = property->getMax();
    float const span = max > min ? max - min : 1.0f;
    auto show = [=] {
        double const v = property->getValue();
        QSignalBlocker block(slider);
        slider->setValue(int(std::lround((v - min) / span * kSteps)));
        value->setText(property->getDisplayAsPercent() ? QString::number(v * 100.0, 'f', 1) + "%"
                                                       : QString::number(v, 'f', 3));
    };
    show();
    QObject::connect(property, &DzFloatProperty::currentValueChanged, slider, show);
    QObject::connect(slider, &QSlider::valueChanged, property, [=](int step) {
        property->setValue(min + span * float(step) / kSteps);
        emit dock->edited();
    });
    return box;
}

QToolButton* makeFavorite(DzProperty* property, QWidget* parent, HostParamsDock* dock) {
    auto* heart = new QToolButton(parent);
    heart->setCheckable(true);
    heart->setText(QString(QChar(0x2665)));
    heart->setToolTip(QStringLiteral("Favourite"));
    heart->setChecked(property->isFavorite());
    QObject::connect(heart, &QToolButton::toggled, property, [property, dock](bool on) {
        property->setFavorite(on);
        emit dock->edited();
    });
    QObject::connect(property, &DzProperty::favoriteChanged, heart, [heart](bool on) {
        QSignalBlocker block(heart);
        heart->setChecked(on);
    });
    return heart;
}

void collect(DzPropertyGroup const* group, QList<DzProperty*>& out) {
    for (int i = 0; i < group->getNumProperties(); ++i)
        if (DzProperty* p = group->getProperty(i))
            out << p;
    for (int i = 0; i < group->getNumChildren(); ++i) collect(group->getChild(i), out);
}

}  // namespace

HostParamsDock::HostParamsDock(QWidget* parent)
    : QDockWidget(QStringLiteral("Parameters"), parent), m_tree(new QTreeWidget(this)) {
    setObjectName(QStringLiteral("ParametersDock"));
    m_tree->setColumnCount(3);
    m_tree->setHeaderLabels({QStringLiteral("Property"), QStringLiteral("Value"), QString()});
    m_tree->header()->setStretchLastSection(false);
    m_tree->header()->setSectionResizeMode(1, QHeaderView::Stretch);
    // The heart takes what it needs; the slider and its value get the rest.
    m_tree->header()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    // Never so narrow that a property's slider and value are cut.
    m_tree->setMinimumWidth(280);
    setWidget(m_tree);
    DzScene* scene = dzScene;
    connect(scene, &DzScene::primarySelectionChanged, this, &HostParamsDock::refresh);
    connect(scene, &DzScene::sceneLoaded, this, &HostParamsDock::refresh);
    connect(scene, &DzScene::nodeRemoved, this, &HostParamsDock::refresh, Qt::QueuedConnection);
    refresh();
}

QList<DzProperty*> HostParamsDock::currentProperties() const {
    QList<DzProperty*> out;
    if (DzPropertyGroupTree* tree = m_node ? m_node->getPropertyGroups() : nullptr)
        collect(tree->getRoot(), out);
    return out;
}

void HostParamsDock::refresh() {
    DzNode* node = dzScene ? dzScene->getPrimarySelection() : nullptr;
    bool const nodeChanged = node != m_node;
    if (nodeChanged) {
        if (m_node && m_node->getObject())
            disconnect(m_node->getObject(), nullptr, this, nullptr);
        m_node = node;
        // A morph made or removed changes the object's geometry: the list is compared then.
        if (node && node->getObject())
            connect(node->getObject(), &DzObject::cachedGeomInvalidated, this, &HostParamsDock::refresh,
                    Qt::QueuedConnection);
    }
    QList<DzProperty*> const properties = currentProperties();
    QList<DzProperty*> shown;
    for (QPointer<DzProperty> const& p : m_shown) shown << p.data();
    if (nodeChanged || properties != shown || m_tree->topLevelItemCount() == 0)
        rebuild(properties);
}

void HostParamsDock::rebuild(QList<DzProperty*> const& properties) {
    m_tree->clear();
    m_shown.clear();
    for (DzProperty* p : properties) m_shown << p;
    DzPropertyGroupTree* groups = m_node ? m_node->getPropertyGroups() : nullptr;
    if (!groups) {
        m_tree->addTopLevelItem(new QTreeWidgetItem({QStringLiteral("(no node selected)")}));
        m_tree->resizeColumnToContents(0);
        return;
    }
    std::function<void(DzPropertyGroup const*, QTreeWidgetItem*)> add = [&](DzPropertyGroup const* group,
                                                                            QTreeWidgetItem* parent) {
        for (int i = 0; i < group->getNumChildren(); ++i) {
            DzPropertyGroup const* child = group->getChild(i);
            auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(m_tree);
            item->setText(0, child->getName());
            add(child, item);
        }
        for (int i = 0; i < group->getNumProperties(); ++i) {
            DzProperty* p = group->getProperty(i);
            if (!p)
                continue;
            auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(m_tree);
            item->setText(0, p->getLabel());
            item->setToolTip(0, p->getName());
            if (auto* f = qobject_cast<DzFloatProperty*>(p))
                m_tree->setItemWidget(item, 1, makeSlider(f, m_tree, this));
            m_tree->setItemWidget(item, 2, makeFavorite(p, m_tree, this));
        }
    };
    add(groups->getRoot(), nullptr);
    if (m_tree->topLevelItemCount() == 0)
        m_tree->addTopLevelItem(new QTreeWidgetItem({QStringLiteral("(no properties)")}));
    m_tree->expandAll();
    m_tree->resizeColumnToContents(0);
}
