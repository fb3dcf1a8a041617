#pragma once
// Command-line words as the system's bytes. Linux hands a program bytes, and a
// file name need not be UTF-8; Qt decodes arguments as UTF-8 and would turn a
// byte such as 0xFF into U+FFFD, so the file could not be found or would be
// created under another name. Arguments are therefore decoded here with each
// byte that is not part of valid UTF-8 kept as the lone surrogate U+DC80 +
// (byte - 0x80), and encoded back to exactly the bytes that were given.
// Such a character is not single-byte text, so a record field refuses it.
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace quillmar::cli {

QString fromSystemBytes(const QByteArray& bytes);
QByteArray toSystemBytes(const QString& text);

// The words after the program's name.
QStringList argumentsFromSystem(int argc, char** argv);

}  // namespace quillmar::cli
