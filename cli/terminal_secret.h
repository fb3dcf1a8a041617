#pragma once
// Asks the user for a secret on the terminal (the process's /dev/tty, so that
// standard input may carry something else, such as --secrets -), without
// echoing what is typed. The terminal's settings come back after the answer,
// and also when Ctrl-C, SIGTERM or SIGHUP ends the program in the middle of
// the question, so that the shell is not left typing blind.
#include <QByteArray>
#include <QString>

#include <optional>

namespace quillmar::cli {

// The line typed after `prompt`, without its line end; nothing with `error`
// set when the process has no terminal or the answer could not be read.
std::optional<QByteArray> askSecretOnTerminal(const QString& prompt, QString& error);

}  // namespace quillmar::cli
