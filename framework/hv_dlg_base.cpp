#include "hv_dlg_base.h"

#include <QByteArray>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <memory>

#include "dzappsettings.h"
#include "dzconnectassert.h"
#include "hv_helpers_qt.h"

QString const DEFAULT_FONT_SIZE = QStringLiteral("large");
QString const X_LARGE_FONT = QStringLiteral("x-large");
QString const XX_LARGE_FONT = QStringLiteral("xx-large");

HvDialogBase::HvDialogBase(QWidget* parent) : QDialog(parent) {}

void HvDialogBase::setOurWindowTitle(char const* subTitle, bool closable) {
    setWindowTitle(HvHelpersQt::MakeWindowTitleQ(subTitle));
    Qt::WindowFlags flags = windowFlags();
    if (closable) {
        flags &= ~Qt::WindowContextHelpButtonHint;
    } else {
        m_bMayBeRejected = false;
        flags &= ~Qt::WindowCloseButtonHint;
    }
    setWindowFlags(flags);
}

void HvDialogBase::dazzifyLayout() {
    if (QLayout* dialogLayout = layout()) {
        dialogLayout->setContentsMargins(10, 10, 10, 10);
        dialogLayout->setSpacing(10);
    }
}

void HvDialogBase::connectButtonBox(QDialogButtonBox* buttonBox) {
    QPushButton* ok = buttonBox ? buttonBox->button(QDialogButtonBox::Ok) : nullptr;
    QPushButton* cancel = buttonBox ? buttonBox->button(QDialogButtonBox::Cancel) : nullptr;
    DZ_ASSERT_CONNECTED(ok && cancel);
    HvHelpersQt::ConnectButtonClicked(*ok, this, SLOT(accept()), nullptr);
    HvHelpersQt::ConnectButtonClicked(*cancel, this, SLOT(reject()), nullptr);
}

void HvDialogBase::setWindowPosSettingsKey(QString const& group, QString const& key) {
    m_qsSettingsGroup = group;
    m_qsSettingsKey = key;
}

void HvDialogBase::saveWindowPos(DzAppSettings* settings) {
    if (m_qsSettingsKey.isEmpty())
        return;
    std::unique_ptr<DzAppSettings> own;
    if (!settings) {
        own = std::make_unique<DzAppSettings>(m_qsSettingsGroup);
        settings = own.get();
    }
    settings->setStringValue(m_qsSettingsKey, QString::fromLatin1(saveGeometry().toBase64()));
}

bool HvDialogBase::restoreWindowPos(DzAppSettings* settings) {
    if (m_qsSettingsKey.isEmpty())
        return false;
    std::unique_ptr<DzAppSettings> own;
    if (!settings) {
        own = std::make_unique<DzAppSettings>(m_qsSettingsGroup);
        settings = own.get();
    }
    QString const stored = settings->getStringValue(m_qsSettingsKey, QString());
    if (stored.isEmpty())
        return false;
    // Corrupt bytes leave the default geometry; that is still a stored value found.
    restoreGeometry(QByteArray::fromBase64(stored.toLatin1()));
    return true;
}

void HvDialogBase::accept() {
    saveWindowPos(nullptr);
    QDialog::accept();
}

void HvDialogBase::reject() {
    if (!m_bMayBeRejected)
        return;
    saveWindowPos(nullptr);
    QDialog::reject();
}

void HvDialogBase::criticalBox(char const* prefix, std::string const& message) {
    HvHelpersQt::CriticalBox(this, prefix, message, true);
}

int HvDialogBase::actionOrCancelBox(QFlags<QMessageBox::StandardButton> buttons, QString const& text) {
    QMessageBox box(this);
    box.setWindowTitle(HvHelpersQt::MakeWindowTitleQ(nullptr));
    box.setText(text);
    box.setStandardButtons(buttons);
    box.setDefaultButton(QMessageBox::Cancel);
    return box.exec();
}

QString HvDialogBase::MakePara(QString const& text, QString fontSize) {
    QString const style = fontSize.isEmpty() ? QString() : QString(" style='font-size:%1'").arg(fontSize);
    return QString("<p%1>").arg(style) + text + "</p>";
}

QLabel* HvDialogBase::MakeLabel(QString const& text, QString fontSize) {
    return new QLabel(MakePara(text, fontSize));
}
