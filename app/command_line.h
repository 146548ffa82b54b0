#pragma once

#include <QString>
#include <QStringList>

namespace app {

// What the command line asks for.
enum class TCommand {
    Window,  // the main window with the paths given (possibly none)
    Probe,   // --probe PATH...
    Render,  // --render OUT.dv [options] PATH...
    Help,    // --help, -h
    Version, // --version
    Usage,   // an unknown option: the usage on the error stream, exit status 2
};

struct TCommandLine {
    TCommand command = TCommand::Window;
    // The paths for the window; the arguments after --probe or --render for those commands.
    QStringList arguments;
    // Why the usage is shown, and the first option that was not understood.
    QString error;
    QString unknownOption;
};

// Reads the arguments that follow the program name. --probe and --render take everything
// after them; otherwise --help and --version win, any other argument that begins with "-"
// is an unknown option, and after "--" every argument is a path.
TCommandLine ParseCommandLine(const QStringList& arguments);

// The usage of every form of the command line.
QString UsageText();
// "quintape <version>".
QString VersionText();

} // namespace app
