// The host's widgets: sliders, the options button and the styled button.
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QSignalBlocker>
#include <algorithm>
#include <cmath>

#include "dzfloatslider.h"
#include "dzintslider.h"
#include "dzoptionsbtn.h"
#include "dzslider.h"
#include "dzstyledbutton.h"

namespace {
constexpr int kBarSteps = 1000;
}

// ---- DzSlider ----

DzSlider::DzSlider(QWidget* parent, QString const& name)
    : QWidget(parent),
      m_label(new QLabel(this)),
      m_bar(new QSlider(Qt::Horizontal, this)),
      m_text(new QLineEdit(this)) {
    setObjectName(name);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_label);
    layout->addWidget(m_bar, 1);
    layout->addWidget(m_text);
    m_label->setVisible(false);
    m_bar->setRange(0, kBarSteps);
    m_text->setReadOnly(true);
    m_text->setMaximumWidth(80);
    connect(m_bar, &QSlider::valueChanged, this, &DzSlider::barMoved);
    connect(m_text, &QLineEdit::editingFinished, this, &DzSlider::textEntered);
}

DzSlider::~DzSlider() = default;

void DzSlider::setClamped(bool clamped) {
    if (clamped == m_clamped)
        return;
    m_clamped = clamped;
    clampChanged();
}

void DzSlider::setTextVisible(bool visible) {
    m_textVisible = visible;
    m_text->setVisible(visible);
}

void DzSlider::setTextEditable(bool editable) {
    m_textEditable = editable;
    m_text->setReadOnly(!editable);
}

void DzSlider::setLabel(QString const& label) {
    m_label->setText(label);
}

QString DzSlider::getLabel() const {
    return m_label->text();
}

void DzSlider::setShowLabel(bool show) {
    m_showLabel = show;
    m_label->setVisible(show);
}

void DzSlider::refresh() {
    QSignalBlocker block(m_bar);
    m_bar->setValue(int(std::lround(std::clamp(fraction(), 0.0, 1.0) * kBarSteps)));
    m_text->setText(valueText());
}

void DzSlider::barMoved(int position) {
    setFromFraction(double(position) / kBarSteps);
}

void DzSlider::textEntered() {
    if (!m_textEditable || !setFromText(m_text->text()))
        refresh();
}

// ---- DzIntSlider ----

DzIntSlider::DzIntSlider(QWidget* parent, QString const& name) : DzSlider(parent, name) {
    refresh();
}

DzIntSlider::~DzIntSlider() = default;

void DzIntSlider::setMinMax(int min, int max) {
    m_min = std::min(min, max);
    m_max = std::max(min, max);
    clampChanged();
    refresh();
}

void DzIntSlider::setValue(int value) {
    if (getClamped())
        value = std::clamp(value, m_min, m_max);
    if (value == m_value)
        return;
    m_value = value;
    refresh();
    emit valueChanged(value);
}

double DzIntSlider::fraction() const {
    return m_max == m_min ? 0.0 : double(m_value - m_min) / (m_max - m_min);
}

void DzIntSlider::setFromFraction(double f) {
    setValue(m_min + int(std::lround(f * (double(m_max) - m_min))));
}

QString DzIntSlider::valueText() const {
    return QString::number(m_value);
}

bool DzIntSlider::setFromText(QString const& text) {
    bool ok = false;
    int value = text.trimmed().toInt(&ok);
    if (ok)
        setValue(value);
    return ok;
}

void DzIntSlider::clampChanged() {
    if (getClamped())
        setValue(m_value);
}

// ---- DzFloatSlider ----

DzFloatSlider::DzFloatSlider(QWidget* parent, QString const& name) : DzSlider(parent, name) {
    refresh();
}

DzFloatSlider::~DzFloatSlider() = default;

void DzFloatSlider::setMinMax(float min, float max) {
    m_min = std::min(min, max);
    m_max = std::max(min, max);
    clampChanged();
    refresh();
}

void DzFloatSlider::setDisplayAsPercent(bool percent) {
    m_percent = percent;
    refresh();
}

void DzFloatSlider::setSensitivity(float step) {
    m_sensitivity = std::max(0.0f, step);
}

void DzFloatSlider::setValue(float value) {
    if (getClamped())
        value = std::clamp(value, m_min, m_max);
    if (value == m_value)
        return;
    m_value = value;
    refresh();
    emit valueChanged(value);
}

double DzFloatSlider::fraction() const {
    return m_max == m_min ? 0.0 : (double(m_value) - m_min) / (double(m_max) - m_min);
}

// A drag moves in whole sensitivity steps from the minimum.
void DzFloatSlider::setFromFraction(double f) {
    double value = m_min + f * (double(m_max) - m_min);
    if (m_sensitivity > 0.0f)
        value = m_min + std::round((value - m_min) / m_sensitivity) * m_sensitivity;
    setValue(float(value));
}

QString DzFloatSlider::valueText() const {
    if (m_percent)
        return QString::number(double(m_value) * 100.0, 'f', 1) + QLatin1Char('%');
    return QString::number(double(m_value), 'f', 2);
}

bool DzFloatSlider::setFromText(QString const& text) {
    QString t = text.trimmed();
    bool const percent = t.endsWith(QLatin1Char('%'));
    if (percent)
        t.chop(1);
    bool ok = false;
    double value = t.trimmed().toDouble(&ok);
    if (!ok)
        return false;
    if (percent || m_percent)
        value /= 100.0;
    setValue(float(value));
    return true;
}

void DzFloatSlider::clampChanged() {
    if (getClamped())
        setValue(m_value);
}

// ---- DzOptionsBtn ----

DzOptionsBtn::DzOptionsBtn(QWidget* parent, QString const& name) : QToolButton(parent) {
    setObjectName(name);
    setPopupMode(QToolButton::InstantPopup);
    setToolButtonStyle(Qt::ToolButtonTextOnly);
}

DzOptionsBtn::~DzOptionsBtn() = default;

// ---- DzStyledButton ----

DzStyledButton::DzStyledButton(QString const& caption, QWidget* parent) : QPushButton(caption, parent) {}

DzStyledButton::~DzStyledButton() = default;

void DzStyledButton::setCustomPrimitive(QStyle::PrimitiveElement element) {
    m_primitive = element;
    update();
}

void DzStyledButton::setCustomTextStyle(DzStyleInterface::TextStyle style) {
    m_textStyle = style;
    update();
}
