// The program's help: the bundled user manual in a browser window that belongs to
// the main window. Links to the web go to ShellOpen; links inside the manual stay.
#pragma once

#include <QString>
#include <QUrl>
#include <QWidget>

class QTextBrowser;

namespace tallowby {

class Shell;

// Where the manual is: help/manual.html beside the program (build tree), the
// installed documentation folder relative to the program (TALLOWBY_HELP_RELDIR,
// ../share/doc/tallowby), else the copy built into it.
QUrl HelpFileUrl();
QUrl HelpFileUrl(const QString& programDir);  // the same, for a program in programDir

class HelpWindow : public QWidget {
    Q_OBJECT
public:
    HelpWindow(QWidget* owner, Shell& shell);
    QTextBrowser* browser() const { return browser_; }

private:
    QTextBrowser* browser_;
    Shell& shell_;
};

} // namespace tallowby
