#pragma once

#include <QToolButton>

// A small button that opens its menu when pressed.
class DzOptionsBtn : public QToolButton {
    Q_OBJECT
public:
    // The name is the button's object name.
    DzOptionsBtn(QWidget* parent, QString const& name);
    ~DzOptionsBtn() override;
};
