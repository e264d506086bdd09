// "quadrivo --picture OUT.png ...": the board as the window would draw it, written as a PNG
// without any display.
#pragma once
#include <QByteArray>
#include <QStringList>

class QImage;

// Loads the puzzle the arguments (those after the program's name, each byte one Latin-1
// character) name, draws it and writes the file; the exit status (0 done, 1 the file could not
// be written, 2 bad input).
int RunPictureMode(const QStringList& arguments);

// Encodes image as a PNG and writes it the way games are saved (ReplaceFile: a temporary file,
// synced, renamed over path). false when it was not written; LastSaveError says why.
bool WritePicture(const QImage& image, const char* path);
// A file name from the command line as an absolute path, byte for byte.
QByteArray AbsolutePath(const char* name);
