#pragma once

#include <QString>
#include <string>
#include <utility>

#include "dzmodifier.h"

// A modifier read from a scene file whose type no registered IO class reads (its plug-in is missing or failed
// to load). It applies nothing; the scene file gets its data back unchanged, so a later load with the plug-in
// restores it.
class DzKeptModifier : public DzModifier {
    Q_OBJECT
public:
    explicit DzKeptModifier(QString type, QObject* parent = nullptr)
        : DzModifier(parent), m_type(std::move(type)) {}

    // The type the file gives it.
    QString const& getType() const { return m_type; }
    // The modifier's whole JSON object as the file had it ("type" and "name" included), as compact text.
    std::string const& getData() const { return m_data; }
    void setData(std::string data) { m_data = std::move(data); }

    int apply(DzVertexMesh&, DzNode&) override { return 0; }
    int applyInverse(DzVertexMesh&, DzNode&) override { return 0; }

private:
    QString m_type;
    std::string m_data;
};
