#include "hv_dlg_timed-notice.h"

#include <QGridLayout>
#include <QProgressBar>
#include <QTimer>

#include "hv_globals.h"

HvTimedNoticeBox::HvTimedNoticeBox(QWidget* parent, QString const& text, int milliSeconds)
    : QMessageBox(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString::fromUtf8(g_pcszPluginTitle));
    setStandardButtons(QMessageBox::NoButton);
    setText("<h2>" + text + "</h2>");
    setModal(false);
    setVisible(true);
    if (milliSeconds > 0) {
        // The timer is the box's child: a box the user closed first takes it along.
        QTimer::singleShot(milliSeconds, this, &HvTimedNoticeBox::onTimerElapsedClose);
    } else if (milliSeconds < 0) {
        if (auto* grid = qobject_cast<QGridLayout*>(layout()))
            grid->addWidget(new QProgressBar, grid->rowCount(), 0, 1, grid->columnCount(), Qt::AlignCenter);
    }
}

void HvTimedNoticeBox::onTimerElapsedClose() {
    deleteLater();
}
