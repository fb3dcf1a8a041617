#pragma once
// What a file looks like when it is plainly not an image for a module: an
// archive, a program, a document, a web page or text. A firmware upgrade or a
// web upload of such a file would leave the printer without working firmware or
// pages, so it is refused before the module is contacted, with the kind named.
#include <QByteArray>
#include <QString>

#include <optional>

namespace quillmar {

// How much of the start of a file is looked at.
inline constexpr qsizetype kImageKindProbeBytes = 4096;

// "a ZIP archive", "a gzip archive", "an xz archive", "a 7z archive", "an ELF
// program", "a Windows program", "a PDF document", "an XML document", "an HTML
// page", "a text file"; nothing when `head` (the file's first bytes) looks like
// none of them.
std::optional<QString> lookalikeKind(const QByteArray& head);

// "This file is a ZIP archive, not a firmware image" (`image` names what was
// wanted), or nothing when the file at `path` looks like none of them or
// cannot be read (its own check reports that).
std::optional<QString> notAnImage(const QByteArray& path, const QString& image);

inline const QString kFirmwareImageName = QStringLiteral("a firmware image");
inline const QString kWebImageName = QStringLiteral("a web image");

}  // namespace quillmar
