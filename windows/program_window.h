// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QPushButton;
class QRect;

namespace windows {

// What both windows do alike: one control takes the focus the first time the
// window shows, "&Einde" ends the program at once, and so does closing the
// window through its frame, for nothing would be left to show.
class ProgramWindow : public QWidget {
    Q_OBJECT

public:
    explicit ProgramWindow(QWidget *parent = nullptr);

protected:
    void setFirstFocus(QWidget *control) { m_firstFocus = control; }
    // The "&Einde" button at `geometry`; the window connects it to its cmd_exit_Click.
    QPushButton *placeEinde(const QRect &geometry);
    static void endProgram();

    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    QWidget *m_firstFocus = nullptr;
    bool m_focusPlaced = false;
};

} // namespace windows
