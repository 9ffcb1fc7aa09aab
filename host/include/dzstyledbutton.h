#pragma once

#include <QPushButton>
#include <QStyle>

#include "dzstyle.h"

// A push button that the interface style draws with a primitive and a text style of its choosing.
class DzStyledButton : public QPushButton {
    Q_OBJECT
public:
    explicit DzStyledButton(QString const& caption, QWidget* parent = nullptr);
    ~DzStyledButton() override;

    void setCustomPrimitive(QStyle::PrimitiveElement element);
    QStyle::PrimitiveElement getCustomPrimitive() const { return m_primitive; }
    void setCustomTextStyle(DzStyleInterface::TextStyle style);
    DzStyleInterface::TextStyle getCustomTextStyle() const { return m_textStyle; }

private:
    QStyle::PrimitiveElement m_primitive = QStyle::PE_PanelButtonCommand;
    DzStyleInterface::TextStyle m_textStyle = DzStyleInterface::DefaultText;
};
