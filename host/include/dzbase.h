#pragma once

#include <QObject>
#include <QString>

// Root of the host's scene objects. The name is the Qt object name: one name, one lookup.
class DzBase : public QObject {
    Q_OBJECT
public:
    explicit DzBase(QObject* parent = nullptr) : QObject(parent) {}
    ~DzBase() override = default;

    QString getName() const { return objectName(); }
    void setName(QString const& name) { setObjectName(name); }
    // Walks the Qt meta-object chain: true when this class is or derives from the named one.
    bool inherits(QString const& className) const {
        return QObject::inherits(className.toLatin1().constData());
    }
};
