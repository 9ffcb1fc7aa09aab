#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class QLineEdit;
class QSlider;

// The host's value slider: an optional label, a bar the user drags and the value as text (which can be made
// editable). Subclasses hold the value and its type.
class DzSlider : public QWidget {
    Q_OBJECT
public:
    explicit DzSlider(QWidget* parent = nullptr, QString const& name = QString());
    ~DzSlider() override;

    // Clamped: every value set is held within the minimum and the maximum.
    void setClamped(bool clamped);
    bool getClamped() const { return m_clamped; }

    void setTextVisible(bool visible);
    bool getTextVisible() const { return m_textVisible; }
    void setTextEditable(bool editable);
    bool getTextEditable() const { return m_textEditable; }

    void setLabel(QString const& label);
    QString getLabel() const;
    void setShowLabel(bool show);
    bool getShowLabel() const { return m_showLabel; }

protected:
    // The value's place between minimum (0) and maximum (1), and the setter the bar calls.
    virtual double fraction() const = 0;
    virtual void setFromFraction(double fraction) = 0;
    virtual QString valueText() const = 0;
    // False when the text does not read as a value.
    virtual bool setFromText(QString const& text) = 0;
    virtual void clampChanged() {}
    // Shows the current value in the bar and the text.
    void refresh();

private:
    void barMoved(int position);
    void textEntered();

    QLabel* m_label;
    QSlider* m_bar;
    QLineEdit* m_text;
    bool m_clamped = false;
    bool m_textVisible = true;
    bool m_textEditable = false;
    bool m_showLabel = false;
};
