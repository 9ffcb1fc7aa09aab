#pragma once

#include <QMetaObject>
#include <QObject>
#include <QString>

#include "dzguid.h"

// Makes objects of one class for the host, which knows the class by name and identifier.
class DzClassFactory {
public:
    DzClassFactory(QMetaObject const* metaObject, DzGuid const& classId)
        : m_metaObject(metaObject), m_classId(classId) {}
    virtual ~DzClassFactory() = default;

    QMetaObject const* getMetaObject() const { return m_metaObject; }
    QString getClassName() const { return QString::fromLatin1(m_metaObject->className()); }
    DzGuid const& getClassID() const { return m_classId; }

    // A new object; the caller owns it.
    virtual QObject* createInstance() const = 0;

private:
    QMetaObject const* m_metaObject;
    DzGuid m_classId;
};

// The factory of a class with a default constructor.
template <typename T>
class DzTClassFactory : public DzClassFactory {
public:
    explicit DzTClassFactory(DzGuid const& classId) : DzClassFactory(&T::staticMetaObject, classId) {}
    QObject* createInstance() const override { return new T; }
};
