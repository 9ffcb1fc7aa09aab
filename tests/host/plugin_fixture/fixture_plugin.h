#pragma once
// A small plug-in of the tests, built from the host's headers only: a viewport tool, its tool action, a
// command, a modifier and the modifier's scene-file IO class.

#include <QKeySequence>
#include <QString>

#include "dzaction.h"
#include "dzassetjsonitem.h"
#include "dzextramodifierio.h"
#include "dzmodifier.h"
#include "dzviewtool.h"
#include "dzviewtoolaction.h"

class FxTool : public DzViewTool {
    Q_OBJECT
public:
    FxTool() : DzViewTool(QStringLiteral("Fixture Tool")) {}
};

class FxToolAction : public DzViewToolAction {
    Q_OBJECT
public:
    FxToolAction() : DzViewToolAction("FxTool") {}
    QString getDefaultMenuPath() const override { return QStringLiteral("&Tools/Fixture"); }
    QString getDefaultToolBar() const override { return QStringLiteral("Fixture Tools"); }
    QKeySequence getDefaultAccel() const override { return QKeySequence(Qt::ALT | Qt::SHIFT | Qt::Key_F9); }
};

// Counts its runs in the property "runs", which the tests read by name.
class FxCommandAction : public DzAction {
    Q_OBJECT
    Q_PROPERTY(int runs MEMBER m_runs)
public:
    FxCommandAction() : DzAction(QStringLiteral("Fixture command"), QStringLiteral("Fixture command")) {}
    QString getActionGroup() const override { return QStringLiteral("Fixture Plug-in"); }
    QKeySequence getDefaultAccel() const override { return QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F9); }

public slots:
    void executeAction() override { ++m_runs; }

private:
    int m_runs = 0;
};

// Holds one number, "lift", saved with the scene; changes no geometry.
class FxModifier : public DzModifier {
    Q_OBJECT
    Q_PROPERTY(double lift MEMBER m_lift)
public:
    int apply(DzVertexMesh&, DzNode&) override { return 0; }
    int applyInverse(DzVertexMesh&, DzNode&) override { return 0; }
    double m_lift = 0.0;
};

class FxModifierIO : public DzExtraModifierIO {
    Q_OBJECT
public:
    int writeExtraDefinition(QObject* object, IDzJsonIO* io, DzFileIOSettings const* settings) const override;
    DzAssetJsonItem* startDefinitionRead(DzAssetJsonItem* parentItem) override;
    int applyDefinitionToObject(QObject* object, DzFileIOSettings const* settings) const override;
    DzModifier* createModifier(QString const& name, DzObject* object) const override;

private:
    double m_readLift = 0.0;
    friend class FxLiftItem;
};
