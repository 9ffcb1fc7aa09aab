#pragma once

#include <QMessageBox>
#include <QString>

// A button-less notice that deletes itself: after the time when it is above 0, else when the user closes it
// (below 0 it shows a busy bar). Made with new and not kept: it owns itself.
class HvTimedNoticeBox : public QMessageBox {
    Q_OBJECT
public:
    HvTimedNoticeBox(QWidget* parent, QString const& text, int milliSeconds);

public slots:
    void onTimerElapsedClose();
};
