#pragma once

#include <QObject>
#include <QString>

// A tool that the viewports hand their events to while it is the active one.
class DzViewTool : public QObject {
    Q_OBJECT
public:
    explicit DzViewTool(QString const& name, QObject* parent = nullptr);
    ~DzViewTool() override;

    // The name shown to the user.
    QString getDisplayName() const { return m_displayName; }
    bool isActive() const { return m_active; }

    // Called by the viewport manager when the tool becomes, or stops being, the active one.
    virtual void activate();
    virtual void deactivate();

private:
    QString m_displayName;
    bool m_active = false;
};
