// "quadrivo --picture OUT.png ...": the board as the window would draw it, written as a PNG
// without any display.
#pragma once

// True when the command line asks for a picture.
bool WantsPicture(int argc, char** argv);
// Loads the puzzle, draws it and writes the file; the exit status (0 done, 1 the file could not
// be written, 2 bad input).
int RunPictureMode(int argc, char** argv);
