#include "hv_dlg_timed-notice.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QKeySequence>
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
        // Bound to the box: a box the user closed first is gone, and the timer with it.
        QTimer::singleShot(milliSeconds, this, &HvTimedNoticeBox::onTimerElapsedClose);
    } else if (milliSeconds < 0) {
        if (auto* grid = qobject_cast<QGridLayout*>(layout()))
            grid->addWidget(new QProgressBar, grid->rowCount(), 0, 1, grid->columnCount(), Qt::AlignCenter);
    }
}

void HvTimedNoticeBox::onTimerElapsedClose() {
    deleteLater();
}

void HvTimedNoticeBox::closeEvent(QCloseEvent* event) {
    // QMessageBox ignores the close without an escape button; the dialog's own handling hides the box, and
    // delete-on-close destroys it.
    QDialog::closeEvent(event);
}

void HvTimedNoticeBox::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Cancel)) {
        close();
        return;
    }
    QMessageBox::keyPressEvent(event);
}
