#pragma once

#include "dzbase.h"

// A scene element: a named object with a label shown to the user.
class DzElement : public DzBase {
    Q_OBJECT
public:
    explicit DzElement(QObject* parent = nullptr) : DzBase(parent) {}
    ~DzElement() override = default;

    // The label falls back to the name while none is set.
    QString getLabel() const { return m_label.isEmpty() ? getName() : m_label; }
    void setLabel(QString const& label) { m_label = label; }

private:
    QString m_label;
};
