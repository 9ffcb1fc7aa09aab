#pragma once

#include <QObject>
#include <QString>

// A way of drawing the scene in a viewport (shaded, wire frame...), known by its name.
class DzDrawStyle : public QObject {
    Q_OBJECT
public:
    explicit DzDrawStyle(QString const& name, QObject* parent = nullptr);
    ~DzDrawStyle() override;

    virtual QString getName() const { return m_name; }

private:
    QString m_name;
};
