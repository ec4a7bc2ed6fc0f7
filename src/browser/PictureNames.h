#pragma once
// Where the HTML viewer finds a picture that is not where its reference leads: by its bare
// file name in the folder of the document shown, whatever folder the reference names.

#include <QString>

// The bare file name of a picture reference as a document writes it or as the engine
// resolved it ("images/logo.gif", "file:///c|/web/pic.bmp", "C:\\web\\pic.bmp"): when the
// text holds a "/", a leading "file:///" (else "file://") goes and "|" reads as ":"; the
// name is what follows the last "/", "\" or ":". The letters keep their case: names on
// this file system are case-sensitive, and FindPictureFile matches case-insensitively.
// "." and ".." give an empty name.
QString PictureFileName(const QString& src);

// The full path of the file `name` in `folder` (absolute, with or without a trailing "/"):
// the entry of exactly that name, else the first entry equal to it ignoring case; empty
// when there is none, when `name` is empty or names a directory. Cost: one stat, plus one
// pass over the folder when the exact name is missing.
QString FindPictureFile(const QString& folder, const QString& name);
