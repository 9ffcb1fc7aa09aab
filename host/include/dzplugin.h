#pragma once

#include <QList>
#include <QMetaType>
#include <QString>

#include "dzversion.h"

class DzClassFactory;
class DzExtraModifierIO;
struct QMetaObject;

// One scene-file IO class and the modifier class it reads and writes, under its file type.
struct DzIOClassRegistration {
    QString type;                              // such as "studio/modifier/..."
    QMetaObject const* ioClass = nullptr;      // a DzExtraModifierIO
    QMetaObject const* objectClass = nullptr;  // the modifier class
};

// A plug-in's definition: its class factories and scene-file IO classes. Definitions are static objects of
// their libraries, built during static initialisation; the host knows every definition alive in the process.
class DzPlugin {
public:
    explicit DzPlugin(QString const& name, QString const& author = QString(),
                      QString const& description = QString(), DzVersion const& version = DzVersion());
    ~DzPlugin();
    DzPlugin(DzPlugin const&) = delete;
    DzPlugin& operator=(DzPlugin const&) = delete;

    QString const& getName() const { return m_name; }
    QString const& getAuthor() const { return m_author; }
    void setAuthor(QString const& author) { m_author = author; }
    // Rich text, shown by the plug-in's About box.
    QString const& getDescription() const { return m_description; }
    void setDescription(QString const& description) { m_description = description; }
    DzVersion const& getVersion() const { return m_version; }
    void setVersion(int major, int minor, int revision, int build) {
        m_version = DzVersion(major, minor, revision, build);
    }

    // The factory stays the caller's; the host creates objects of its class through it.
    void addClassFactory(DzClassFactory* factory);
    QList<DzClassFactory*> const& getClassFactories() const { return m_factories; }

    // The IO class is made through its class factory, which a plug-in adds too.
    void addIOClassRegistration(QString const& type, QMetaObject const* ioClass,
                                QMetaObject const* objectClass);
    QList<DzIOClassRegistration> const& getIOClassRegistrations() const { return m_ioClasses; }

    // A disabled definition offers nothing to the lookups below: the host disables the definitions that a
    // library it refused brought into the process (such a library may not be unloadable).
    bool isDisabled() const { return m_disabled; }
    void setDisabled(bool disabled) { m_disabled = disabled; }
    // Every definition alive in the process, in the order they were built.
    static QList<DzPlugin*> GetDefinitions();

    // ---- the host's lookups over every definition alive and not disabled ----
    // The factory of the exact class name; null when none.
    static DzClassFactory* FindClassFactory(QString const& className);
    // The registration for a modifier's class, its nearest base class counting; null when none.
    static DzIOClassRegistration const* FindIOClassForObject(QMetaObject const* objectClass);
    static DzIOClassRegistration const* FindIOClassForType(QString const& type);
    // A new IO object of the registration, made through its class factory; null when there is none.
    static DzExtraModifierIO* CreateIOObject(DzIOClassRegistration const& registration);

private:
    QString m_name;
    QString m_author;
    QString m_description;
    DzVersion m_version;
    bool m_disabled = false;
    QList<DzClassFactory*> m_factories;
    QList<DzIOClassRegistration> m_ioClasses;
};

Q_DECLARE_METATYPE(DzPlugin*)
