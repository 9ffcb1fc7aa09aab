#include "fixture_plugin.h"

#include "dzclassfactory.h"
#include "dzobject.h"
#include "dzplugin.h"
#include "idzjsonio.h"

#ifndef FX_SDK_VERSION
#define FX_SDK_VERSION 4, 5, 0, 100
#endif
#ifndef FX_PLUGIN_NAME
#define FX_PLUGIN_NAME "Fixture Plug-in"
#endif

class FxLiftItem : public DzAssetJsonObject {
public:
    FxLiftItem(DzAssetFile* file, FxModifierIO& io) : DzAssetJsonObject(file), m_io(io) {}
    bool addMember(QString const& name, double value) override {
        if (name == QLatin1String("fx_lift"))
            m_io.m_readLift = value;
        return true;
    }

private:
    FxModifierIO& m_io;
};

int FxModifierIO::writeExtraDefinition(QObject* object, IDzJsonIO* io, DzFileIOSettings const*) const {
    io->addMember(QStringLiteral("fx_lift"), static_cast<FxModifier*>(object)->m_lift);
    return 0;
}

DzAssetJsonItem* FxModifierIO::startDefinitionRead(DzAssetJsonItem* parentItem) {
    return new FxLiftItem(parentItem->getFile(), *this);
}

int FxModifierIO::applyDefinitionToObject(QObject* object, DzFileIOSettings const*) const {
    static_cast<FxModifier*>(object)->m_lift = m_readLift;
    return 0;
}

DzModifier* FxModifierIO::createModifier(QString const& name, DzObject* object) const {
    auto* modifier = new FxModifier;
    modifier->setName(name);
    object->addModifier(modifier);
    return modifier;
}

namespace {

DzPlugin s_definition(QStringLiteral(FX_PLUGIN_NAME), QStringLiteral("The tests"),
                      QStringLiteral("<p>A plug-in of the tests.</p>"), DzVersion(1, 2, 3, 4));
DzTClassFactory<FxModifier> s_modifier(DzGuid::fromString("{6F1E3A52-0000-4000-8000-000000000001}"));
DzTClassFactory<FxModifierIO> s_modifierIO(DzGuid::fromString("{6F1E3A52-0000-4000-8000-000000000002}"));
DzTClassFactory<FxTool> s_tool(DzGuid::fromString("{6F1E3A52-0000-4000-8000-000000000003}"));
DzTClassFactory<FxToolAction> s_toolAction(DzGuid::fromString("{6f1e3a52-0000-4000-8000-000000000004}"));
DzTClassFactory<FxCommandAction> s_command(DzGuid::fromString("{6F1E3A52-0000-4000-8000-000000000005}"));

struct Registration {
    Registration() {
        s_definition.addClassFactory(&s_modifier);
        s_definition.addClassFactory(&s_modifierIO);
        s_definition.addClassFactory(&s_tool);
        s_definition.addClassFactory(&s_toolAction);
        s_definition.addClassFactory(&s_command);
        s_definition.addIOClassRegistration(QStringLiteral("test/modifier/fixture_lift"),
                                            &FxModifierIO::staticMetaObject, &FxModifier::staticMetaObject);
    }
} s_registration;

}  // namespace

#ifndef FX_NO_EXPORTS
#ifdef FX_CXX_EXPORTS
#define FX_EXPORT Q_DECL_EXPORT
#else
#define FX_EXPORT extern "C" Q_DECL_EXPORT
#endif
FX_EXPORT DzVersion getSDKVersion() {
    return DzVersion(FX_SDK_VERSION);
}
FX_EXPORT DzPlugin* getPluginDefinition() {
    return &s_definition;
}
#endif
