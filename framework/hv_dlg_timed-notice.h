#pragma once

#include <QMessageBox>
#include <QString>

class QCloseEvent;
class QKeyEvent;

// A button-less notice that deletes itself: after the time when it is above 0, or when the user closes it
// (window close button or Esc), whichever comes first; below 0 it shows a busy bar and waits for the user.
// Made with new and not kept: it owns itself.
class HvTimedNoticeBox : public QMessageBox {
    Q_OBJECT
public:
    HvTimedNoticeBox(QWidget* parent, QString const& text, int milliSeconds);

public slots:
    void onTimerElapsedClose();

protected:
    // A message box without buttons refuses to close; a notice always lets the user close it.
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};
