// Starting programs: the counterparts of CreateProcessA and of ShellExecuteExA with the verb
// "open", plus running a helper program and collecting its output (used by the dialog boxes).
//
// Programs are always executed directly (execve) and never through a shell, so no text of a
// command line can start a second command. A program name without '/' is looked up on PATH.
// Only the processes started here are ever waited for (waitpid on their own ids), so a host that
// reaps its own children is not disturbed and none of ours is left as a zombie.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tqtool/types.h"

namespace tq::os {

/// Splits a command line (GBK) into arguments with the Windows rules: blanks and tabs separate
/// arguments; a double quote starts or ends a quoted part in which blanks are kept; 2n backslashes
/// followed by a quote give n backslashes and the quote acts, 2n+1 give n backslashes and a literal
/// quote; backslashes not followed by a quote are literal; "" inside a quoted part is a literal
/// quote. The first argument (the program) ends at the first blank outside quotes and its
/// backslashes are never escapes. Trail bytes of double-byte characters are never taken for a
/// quote or a backslash. The arguments stay GBK.
std::vector<String> SplitCommandLine(std::string_view commandLine);

/// Full path of the program `name` (UTF-8): a name holding '/' is taken as it is when it names an
/// executable regular file; a bare name is looked up in the folders of PATH. Empty when not found.
std::string FindProgram(const std::string& name);

/// Starts `argv` (UTF-8; argv[0] is looked up with FindProgram) without waiting. The program
/// keeps the standard streams; with `inheritFiles` it also inherits every other open descriptor
/// that is not close-on-exec, otherwise descriptors above 2 are closed in it. The program is
/// started as a grandchild whose parent is reaped at once, so it never becomes our zombie.
/// Returns the new process's id, or 0 when the program could not be found or executed.
long StartDetached(const std::vector<std::string>& argv, bool inheritFiles);

/// Starts `argv` (UTF-8, looked up with FindProgram) and waits for it to end. Descriptors above 2
/// are closed in the program. Returns false when it could not be started; otherwise true, with
/// `status` set to the exit code (128 + signal number when it was killed by a signal).
bool RunAndWait(const std::vector<std::string>& argv, int* status = nullptr);

/// Runs `argv` with standard input from /dev/null, collects standard output and standard error,
/// and waits for it. Returns false when it could not be started; otherwise true and the exit
/// code as in RunAndWait.
bool RunCapture(const std::vector<std::string>& argv, std::string& out, std::string& err,
                int& status);

}  // namespace tq::os
